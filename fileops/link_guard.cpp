#include "fileops/link_guard.h"

#include <windows.h>

#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "log/logs.h"
#include "model/name_fold.h"
#include "win32/extended_path.h"

namespace {

constexpr DWORD kLinkInTarget = 4395;  // ERROR_REPARSE_POINT_ENCOUNTERED

// The path without the root marker and trailing backslashes.
std::string Plain(std::string path) {
  RemoveRootMarker(path);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

std::string ParentOf(const std::string& path) {
  const std::string plain = Plain(path);
  const std::size_t separator = plain.find_last_of('\\');
  return separator == std::string::npos ? std::string() : plain.substr(0, separator);
}

bool LinkGuard::MayWriteIn(SyncConfig& config, const std::string& directory) {
  if (directory == lastPlain_) return true;  // the files of one directory come one after another
  const std::string root = Plain(config.targetDir);
  const std::string path = Plain(directory);
  // Only what lies below the target root is the guard's: a full-path list
  // entry elsewhere is taken as written.
  if (path.size() <= root.size() || path[root.size()] != '\\' ||
      !NamesMatch(path.substr(0, root.size()).c_str(), root.c_str())) {
    return true;
  }
  // Each directory below the root, from the top down.
  for (std::size_t end = path.find('\\', root.size() + 1);; end = path.find('\\', end + 1)) {
    const std::string step = path.substr(0, end);
    const std::string key = FoldedName(step.c_str());
    auto known = known_.find(key);
    if (known == known_.end()) {
      const DWORD attributes = GetFileAttributesW(ExtendedWidePath(step.c_str()).c_str());
      // Not there: nothing can be written below it anyway, and it is looked
      // at again if asked again.
      if (attributes == INVALID_FILE_ATTRIBUTES) return true;
      const State state = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? State::Link : State::Plain;
      known = known_.emplace(key, state).first;
      if (state == State::Link) {
        ++config.errorCount;
        ErrorLog() << "Ошибка " << kLinkInTarget << " записи в каталог \"" << step << "\\\"" << EndLine;
      }
    }
    if (known->second == State::Link) return false;
    if (end == std::string::npos) {
      lastPlain_ = directory;
      return true;
    }
  }
}

void LinkGuard::Created(const std::string& directory) { known_[FoldedName(Plain(directory).c_str())] = State::Plain; }
