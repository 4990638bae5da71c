#include "config/directory_path.h"

#include <cstring>

void NormaliseDirectoryPath(char (&destination)[kPathSize], const char* source) {
  destination[0] = '\0';
  const std::size_t length = std::strlen(source);
  const bool endsWithBackslash = length > 0 && source[length - 1] == '\\';
  // An empty source stays empty rather than becoming "\", the root of the
  // current drive.
  if (length == 0 || length > kPathSize - 1 || (length == kPathSize - 1 && !endsWithBackslash)) return;
  std::memcpy(destination, source, length + 1);
  if (!endsWithBackslash) {
    destination[length] = '\\';
    destination[length + 1] = '\0';
  }
}

bool IsDrivePath(const char* path) noexcept {
  return path[0] != '\0' && path[1] == ':' && path[2] == '\\';
}
