#include "scan/link_loops.h"

#include <windows.h>

#include "win32/handles.h"

namespace {

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

}  // namespace

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
