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
    DirNode* child = AppendChild(node, CreateNode(data.cFileName));
    const std::string name = data.cFileName;  // `data` is reused below
    if (!ScanSourceAt(config, child, directoryPath + name + "\\", relativePath + "\\", levels,
                      depth + 1)) {
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
    if (DirNode* child = FindChild(node, data.cFileName)) {
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
