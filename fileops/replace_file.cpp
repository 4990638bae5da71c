#include "fileops/replace_file.h"

#include <windows.h>

#include <string>

#include "fileops/long_path_copy.h"
#include "win32/handles.h"

namespace {

// Makes a new empty file beside `path` under a name nothing uses yet
// (created new, never opened over an existing file) and returns its name.
bool MakeFileBeside(const std::string& path, std::string& made, DWORD& error) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    made = path + ".~velkarin" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    win32::ScopedFile file(CreateFileW(ExtendedWidePath(made.c_str()).c_str(), GENERIC_WRITE, 0,
                                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid()) return true;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

// A rename over a file that another program holds open is refused as
// "access denied"; the code that says what is wrong is "in use", which an
// open for deletion alone (nothing read or written) reports.
DWORD ExplainDenied(const std::wstring& target) {
  win32::ScopedFile probe(CreateFileW(target.c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr));
  if (!probe.Valid() && GetLastError() == ERROR_SHARING_VIOLATION) return ERROR_SHARING_VIOLATION;
  return ERROR_ACCESS_DENIED;
}

// Renames `made` over `target`; on failure removes `made` again. Windows
// refuses to replace a read-only file: its attribute is cleared and the
// rename tried once more, unless the target is a link (the attribute call
// would change what it points to).
bool RenameOver(const std::string& made, const char* target, bool targetIsLink, DWORD& error) {
  const std::wstring wideMade = ExtendedWidePath(made.c_str());
  const std::wstring wideTarget = ExtendedWidePath(target);
  bool renamed = MoveFileExW(wideMade.c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  if (!renamed) {
    error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && !targetIsLink) {
      const DWORD attributes = GetFileAttributesW(wideTarget.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
          !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          SetFileAttributesW(wideTarget.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        renamed = MoveFileExW(wideMade.c_str(), wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        if (!renamed) error = GetLastError();
      }
    }
  }
  if (!renamed) {
    DeleteFileW(wideMade.c_str());
    if (error == ERROR_ACCESS_DENIED) error = ExplainDenied(wideTarget);
  }
  return renamed;
}

bool IsLink(std::uint32_t attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

}  // namespace

bool ReplaceWithCopy(const SyncConfig& config, const char* source, const char* target,
                     bool targetIsLink, std::uint32_t& error) {
  DWORD code = 0;
  std::string made;
  if (!MakeFileBeside(target, made, code)) {
    error = code;
    return false;
  }
  if (!CopyFileLongPath(config, source, made.c_str())) {
    DeleteFileW(ExtendedWidePath(made.c_str()).c_str());
    error = 0;
    return false;
  }
  const bool renamed = RenameOver(made, target, targetIsLink, code);
  error = renamed ? 0 : code;
  return renamed;
}

bool RemoveTargetFile(const char* path, std::uint32_t attributes, std::uint32_t& error) {
  DWORD code = 0;
  std::string made;
  if (!MakeFileBeside(path, made, code) || !RenameOver(made, path, IsLink(attributes), code)) {
    error = code;
    return false;
  }
  // Now an ordinary empty file of the run's own.
  if (DeleteFileW(ExtendedWidePath(path).c_str())) return true;
  error = GetLastError();
  return false;
}
