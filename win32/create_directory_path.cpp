#include "win32/create_directory_path.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>

#include "model/limits.h"

namespace {

[[noreturn]] void Fail(DWORD systemError, std::string message) {
  throw DirectoryCreationError{std::move(message), systemError};
}

// One CreateDirectoryA call. The message is spelled as the users know it.
void MakeDirectory(const std::string& prefix) {
  if (CreateDirectoryA(prefix.c_str(), nullptr)) return;
  const DWORD error = GetLastError();
  Fail(error, "невзможно создать каталог \"" + prefix + "\"");
}

// One level: create it when it does not exist, refuse when a file is in the
// way. Errors other than "not found" (no access to a share's root, say) are
// passed over: the next level or the log files will tell.
void EnsureDirectory(const std::string& prefix) {
  const DWORD attributes = GetFileAttributesA(prefix.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) MakeDirectory(prefix);
    return;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return;
  Fail(ERROR_ALREADY_EXISTS,
       "невозможно создать каталог \"" + prefix + "\" т.к. найден файл с тем же именем");
}

[[noreturn]] void FailInvalidName(const char* path) {
  Fail(ERROR_INVALID_NAME, "неверное имя каталога \"" + std::string(path) + "\"");
}

// Index of the first character that may need creating: after
// "\\server\share\", after a leading "\", after "X:\" (or "X:").
std::size_t FirstCreatable(const std::string& full, const char* original) {
  if (full.compare(0, 2, "\\\\") == 0) {
    const std::size_t serverEnd = full.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2) FailInvalidName(original);
    const std::size_t shareEnd = full.find('\\', serverEnd + 1);
    if (shareEnd == std::string::npos || shareEnd == serverEnd + 1) FailInvalidName(original);
    return shareEnd + 1;
  }
  if (full[0] == '\\') return 1;
  if (full.size() > 1 && full[1] == ':') return full.size() > 2 && full[2] == '\\' ? 3 : 2;
  return 0;
}

}  // namespace

void CreateDirectoryPath(const char* path) {
  char buffer[kPathSize];
  const DWORD length = GetFullPathNameA(path, kPathSize, buffer, nullptr);
  // A path the platform cannot resolve into the buffer cannot be created
  // level by level either.
  if (length >= kPathSize || (length == 0 && path[0] != '\0')) FailInvalidName(path);
  std::string full(buffer, length);
  if (full.empty()) return;
  if (full.back() != '\\') {
    if (full.size() >= kPathSize - 1) FailInvalidName(path);
    full += '\\';
  }
  for (std::size_t i = FirstCreatable(full, path); i < full.size(); ++i) {
    if (full[i] == '\\' && i > 0) EnsureDirectory(full.substr(0, i));
  }
}
