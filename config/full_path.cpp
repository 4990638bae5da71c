#include "config/full_path.h"

#include <windows.h>

#include "config/directory_path.h"
#include "model/limits.h"

// Directories and the checked executable are used in the "\\?\" form by the
// long-path copy, which the system passes on without normalising, and they
// are compared as text with process paths. Both need the one form the
// system itself would give: "H:\\x", "C:\a\..\x" or a relative path would
// otherwise name nothing, or never match.
bool MakeFullPath(const char* path, std::string& full) {
  full.clear();
  if (path[0] == '\0') return false;
  std::string buffer(kPathSize, '\0');
  // A first call that does not fit says how much it needs, the zero
  // included; the current directory may change in between, hence the loop.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length =
        GetFullPathNameA(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return false;
    if (length < buffer.size()) {
      buffer.resize(length);
      full = std::move(buffer);
      return true;
    }
    buffer.assign(length, '\0');
  }
  return false;
}

std::string SettingPath(const std::string& value, const std::string& base) {
  std::string path = value;
  char expanded[kPathSize];
  const DWORD size = ExpandEnvironmentStringsA(value.c_str(), expanded, kPathSize);
  if (size != 0 && size <= kPathSize) path = expanded;
  const bool network = path.size() > 1 && path[0] == '\\' && path[1] == '\\';
  return IsDrivePath(path.c_str()) || network ? path : base + path;
}
