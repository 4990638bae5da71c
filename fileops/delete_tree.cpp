#include "fileops/delete_tree.h"

#include <windows.h>

#include <vector>

#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "plan/own_files.h"
#include "fileops/replace_file.h"
#include "log/logs.h"
#include "plan/skip_existing.h"
#include "scan/scan.h"

namespace {

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

void ReportFailure(SyncConfig& config, DWORD error, const char* what, const std::string& path) {
  ++config.errorCount;
  ErrorLog() << "Ошибка " << error << " удаления " << what << " \"" << path << "\"" << EndLine;
}

class TreeRemover {
 public:
  TreeRemover(SyncConfig& config, DirectoryLister& lister, KeepSkippedFiles keepSkipped)
      : config_(config), lister_(lister), keepSkipped_(keepSkipped == KeepSkippedFiles::Yes) {}

  // Removes one item of the tree; true when it is gone.
  bool RemoveItem(const std::string& path, DWORD attributes) {
    if (IsOwnFile(config_.ownFiles, path) || IsKeptAsTheUsers(path)) return false;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!directory) return RemoveFile(path, attributes);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryLink(path);
    return RemoveDirectoryTree(path);
  }

 private:
  bool RemoveFile(const std::string& path, DWORD attributes) {
    std::uint32_t error = 0;
    if (RemoveTargetFile(&config_, path.c_str(), attributes, error)) return true;
    if (IsGone(error)) return true;
    ReportFailure(config_, error, "файла", path);
    return false;
  }

  // Removed as a link, never entered. (Windows removes the link; Wine has
  // no call that does, and removes the directory it points to only when
  // that is empty.)
  bool RemoveDirectoryLink(const std::string& path) {
    if (RemoveDirectoryW(ExtendedWidePath(path.c_str()).c_str())) return true;
    const DWORD error = GetLastError();
    if (IsGone(error)) return true;
    ReportFailure(config_, error, "каталога", path);
    return false;
  }

  bool RemoveDirectoryTree(const std::string& path) {
    if (config_.StopRequested()) return false;
    std::vector<ListedItem> items;
    const ListingResult listing = lister_.List(path + "\\", items);
    if (listing.end == ListingEnd::NotOpened && IsGone(listing.error)) return true;
    if (listing.end != ListingEnd::Complete) {
      // What the listing did not show would stop the directory's removal
      // anyway; nothing more of it is touched.
      ReportFailure(config_, listing.error, "каталога", path);
      return false;
    }
    bool keptSomething = false;
    for (const ListedItem& item : items) {
      if (config_.StopRequested()) return false;
      if (!item.nameExact) {
        ReportUnrepresentableName(config_, path + "\\", item, true);  // it would be deleted
        keptSomething = true;
        continue;
      }
      if (!RemoveItem(path + "\\" + item.name, item.attributes)) keptSomething = true;
    }
    // A directory that keeps something cannot go; its failure says nothing new.
    if (keptSomething) return false;
    if (RemoveDirectoryW(ExtendedWidePath(path.c_str()).c_str())) return true;
    const DWORD error = GetLastError();
    if (IsGone(error)) return true;
    ReportFailure(config_, error, "каталога", path);
    return false;
  }

  // A file (or a directory) that [Пропустить существующие] names by its
  // path below the target directory.
  bool IsKeptAsTheUsers(const std::string& path) const {
    if (!keepSkipped_ || config_.skipExistingList.empty()) return false;
    const std::string root = config_.targetDir;
    if (path.compare(0, root.size(), root) != 0) return false;
    std::string relative = path.substr(root.size());
    if (relative.compare(0, 2, ".\\") == 0) relative.erase(0, 2);
    return IsSkippedIfExisting(relative, config_.skipExistingList);
  }

  SyncConfig& config_;
  DirectoryLister& lister_;
  bool keepSkipped_;
};

}  // namespace

void DeleteTree(SyncConfig& config, const std::string& path, DirectoryLister& lister,
                KeepSkippedFiles keepSkipped) {
  std::string item(path);
  // With a trailing backslash the attributes would be those of what a link
  // points to; the item itself is wanted.
  while (item.size() > 3 && item.back() == '\\') item.pop_back();
  if (config.StopRequested()) return;
  const DWORD attributes = GetFileAttributesW(ExtendedWidePath(item.c_str()).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (!IsGone(error)) ReportFailure(config, error, "каталога", item);
    return;
  }
  TreeRemover(config, lister, keepSkipped).RemoveItem(item, attributes);
}
