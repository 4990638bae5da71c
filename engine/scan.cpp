#include "engine/scan.h"

#include <windows.h>

#include <cstring>
#include <ostream>

#include "config/list_matching.h"
#include "config/sync_config.h"
#include "log/logs.h"
#include "win32/handles.h"

namespace {

FileEntry MakeFileEntry(const WIN32_FIND_DATAA& data) {
  FileEntry entry;
  entry.attributes = data.dwFileAttributes;
  entry.lastWriteTime.low = data.ftLastWriteTime.dwLowDateTime;
  entry.lastWriteTime.high = data.ftLastWriteTime.dwHighDateTime;
  static_assert(sizeof(entry.name) == sizeof(data.cFileName), "the listing's name field");
  std::memcpy(entry.name, data.cFileName, sizeof(entry.name));
  entry.name[sizeof(entry.name) - 1] = '\0';
  return entry;
}

bool IsDotOrDotDot(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Opens the listing of `directoryPath`; on failure `error` holds the reason.
win32::ScopedFind OpenListing(const std::string& directoryPath, WIN32_FIND_DATAA& data,
                              DWORD& error) {
  const std::string pattern = directoryPath + "*.*";
  if (pattern.size() >= kPathSize) {
    error = ERROR_FILENAME_EXCED_RANGE;
    return win32::ScopedFind();
  }
  // The basic record (no short name) in large batches: the same records
  // with fewer round trips. Systems that refuse the flags get the plain call.
  win32::ScopedFind find(FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!find.Valid() && GetLastError() == ERROR_INVALID_PARAMETER) {
    find.Reset(FindFirstFileA(pattern.c_str(), &data));
  }
  error = find.Valid() ? ERROR_SUCCESS : GetLastError();
  return find;
}

void ReportUnlistable(SyncConfig& config, DWORD error, const std::string& directoryPath) {
  ++config.errorCount;
  ErrorLog() << "Ошибка " << error << " чтения каталога \"" << directoryPath << "\"" << std::endl;
}

// Windows' own codes for the two links a walk refuses: one that leads back
// to a directory the walk is already in, and one in the target that the run
// may not go through.
constexpr DWORD kLinkLoop = ERROR_CANT_RESOLVE_FILENAME;  // 1921
constexpr DWORD kLinkInTarget = 4395;                     // ERROR_REPARSE_POINT_ENCOUNTERED

bool IsLink(const WIN32_FIND_DATAA& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The identity of the directory a path leads to, links followed.
struct DirectoryId {
  DWORD volume = 0;
  DWORD high = 0;
  DWORD low = 0;
  bool operator==(const DirectoryId& other) const {
    return volume == other.volume && high == other.high && low == other.low;
  }
};

bool ReadDirectoryId(const std::string& path, DirectoryId& id) {
  win32::ScopedFile directory(CreateFileA(path.c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!directory || !GetFileInformationByHandle(directory.Get(), &info)) return false;
  id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

// True when the linked directory `linkPath` is the directory being listed or
// one above it, up to the root: following it would list the same tree again
// and again until paths grow too long, and two such links would multiply.
// `directoryPath` ends with `relativePrefix`; both end with a backslash.
bool LinkLeadsBack(const std::string& linkPath, const std::string& directoryPath,
                   const std::string& relativePrefix) {
  DirectoryId target;
  if (!ReadDirectoryId(linkPath, target)) return false;
  // The root, then each directory down to the one being listed.
  std::string ancestor = directoryPath.substr(0, directoryPath.size() - relativePrefix.size());
  for (std::size_t at = 0;; ++at) {
    DirectoryId id;
    if (ReadDirectoryId(ancestor, id) && id == target) return true;
    if (at == relativePrefix.size()) return false;
    const std::size_t end = relativePrefix.find('\\', at);
    ancestor.append(relativePrefix, at, end + 1 - at);
    at = end;
  }
}

// What a listing record is for the walk: left out (ignored, "." or ".."),
// a file (appended to the node here), or a subdirectory for the caller.
enum class Item { Skipped, File, Directory };

// Files of the directory being listed gather here and move into the
// node's record, sized exactly, once the listing is done. Growing each
// record's own vector instead would leave the heap holding every
// outgrown block: about a tenth more memory per file over a whole tree.
class FileBuffer {
 public:
  explicit FileBuffer(std::vector<std::vector<FileEntry>>& levels, std::size_t depth)
      : levels_(levels), depth_(depth) {
    if (levels_.size() <= depth_) levels_.resize(depth_ + 1);
    levels_[depth_].clear();
  }
  std::vector<FileEntry>& Files() { return levels_[depth_]; }
  void MoveInto(DirRecord& record) {
    std::vector<FileEntry>& files = Files();
    record.entries.reserve(record.entries.size() + files.size());
    record.entries.insert(record.entries.end(), files.begin(), files.end());
    files.clear();
  }

 private:
  std::vector<std::vector<FileEntry>>& levels_;
  std::size_t depth_;
};

Item TakeItem(const SyncConfig& config, std::vector<FileEntry>& files, const WIN32_FIND_DATAA& data,
              const std::string& relativePath) {
  if (MatchesListEntry(relativePath.c_str(), config.ignoreList)) return Item::Skipped;
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    files.push_back(MakeFileEntry(data));
    return Item::File;
  }
  return IsDotOrDotDot(data.cFileName) ? Item::Skipped : Item::Directory;
}

}  // namespace

namespace {

bool ScanSourceAt(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                  const std::string& relativePrefix, std::vector<std::vector<FileEntry>>& levels,
                  std::size_t depth) {
  if (config.StopRequested()) return true;  // the driver stops before deciding anything
  WIN32_FIND_DATAA data;
  DWORD error = ERROR_SUCCESS;
  win32::ScopedFind find = OpenListing(directoryPath, data, error);
  if (!find.Valid()) {
    // "Not found" for a pattern in an existing directory means no items at
    // all (the root of an empty drive); anything else is a failed read.
    if (error == ERROR_FILE_NOT_FOUND) return true;
    ReportUnlistable(config, error, directoryPath);
    return false;
  }
  FileBuffer buffer(levels, depth);
  do {
    const std::string relativePath = relativePrefix + data.cFileName;
    if (TakeItem(config, buffer.Files(), data, relativePath) != Item::Directory) continue;
    const std::string name = data.cFileName;  // `data` is reused below
    const std::string childPath = directoryPath + name + "\\";
    if (IsLink(data) && LinkLeadsBack(childPath, directoryPath, relativePrefix)) {
      // Unlistable, as far as the run is concerned: left out of both sides.
      ReportUnlistable(config, kLinkLoop, childPath);
      config.ignoreList.push_back(relativePath);
      continue;
    }
    DirNode* child = AppendChild(node, CreateNode(data.cFileName));
    if (!ScanSourceAt(config, child, childPath, relativePath + "\\", levels, depth + 1)) {
      RemoveChild(node, child);
      config.ignoreList.push_back(relativePath);
    }
  } while (FindNextFileA(find.Get(), &data));
  buffer.MoveInto(node->record);
  return true;
}

void ScanTargetAt(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                  const std::string& relativePrefix, std::vector<std::vector<FileEntry>>& levels,
                  std::size_t depth) {
  if (config.StopRequested()) return;
  WIN32_FIND_DATAA data;
  DWORD error = ERROR_SUCCESS;
  win32::ScopedFind find = OpenListing(directoryPath, data, error);
  if (!find.Valid()) return;
  node->record.ClearFlags(DIR_MISSING);
  FileBuffer buffer(levels, depth);
  do {
    const std::string relativePath = relativePrefix + data.cFileName;
    if (TakeItem(config, buffer.Files(), data, relativePath) != Item::Directory) continue;
    DirNode* child = FindChild(node, data.cFileName);
    if (child != nullptr && IsLink(data)) {
      // Copying into it or deleting in it would change what lies outside
      // the target: the directory is left out of the run on both sides.
      ReportUnlistable(config, kLinkInTarget, directoryPath + data.cFileName + "\\");
      config.ignoreList.push_back(relativePath);
    } else if (child != nullptr) {
      const std::string name = data.cFileName;
      ScanTargetAt(config, child, directoryPath + name + "\\", relativePath + "\\", levels, depth + 1);
    } else if (config.deleteUnneeded ||
               IsStrictlySynchronised(relativePath.c_str(), config.strictList)) {
      // Only in the target and to be removed: kept as one childless node,
      // never entered.
      AppendChild(node, CreateNode(data.cFileName))->record.SetFlags(DIR_EXTRA);
    }
  } while (FindNextFileA(find.Get(), &data));
  buffer.MoveInto(node->record);
}

}  // namespace

bool ScanSource(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                const std::string& relativePrefix) {
  std::vector<std::vector<FileEntry>> levels;
  return ScanSourceAt(config, node, directoryPath, relativePrefix, levels, 0);
}

void ScanTarget(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                const std::string& relativePrefix) {
  std::vector<std::vector<FileEntry>> levels;
  ScanTargetAt(config, node, directoryPath, relativePrefix, levels, 0);
}
