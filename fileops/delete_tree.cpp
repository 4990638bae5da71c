#include "fileops/delete_tree.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "win32/handles.h"

namespace {

void DeleteFileClearingReadOnly(const std::string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  DeleteFileA(path.c_str());
}

void DeleteDirectoryTree(const std::string& path) {
  WIN32_FIND_DATAA data;
  win32::ScopedFind find(FindFirstFileA((path + "\\*.*").c_str(), &data));
  if (find.Valid()) {
    do {
      if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
      const std::string item = path + "\\" + data.cFileName;
      const DWORD attributes = data.dwFileAttributes;
      if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link: removed itself, never followed.
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveDirectoryA(item.c_str());
        } else {
          DeleteFileA(item.c_str());
        }
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteDirectoryTree(item);
      } else {
        DeleteFileClearingReadOnly(item, attributes);
      }
    } while (FindNextFileA(find.Get(), &data));
  }
  find.Reset();
  RemoveDirectoryA(path.c_str());
}

}  // namespace

void DeleteTree(const char* path) {
  std::string item(path);
  // With a trailing backslash the attributes would be those of what a link
  // points to; the item itself is wanted.
  while (item.size() > 3 && item.back() == '\\') item.pop_back();
  const DWORD attributes = GetFileAttributesA(item.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveDirectoryA(item.c_str());
    } else {
      DeleteFileA(item.c_str());
    }
    return;
  }
  // An unreadable path is treated as a directory: the listing then fails
  // and nothing happens.
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteDirectoryTree(item);
  } else {
    DeleteFileClearingReadOnly(item, attributes);
  }
}
