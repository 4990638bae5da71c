#include "run/accepted_release.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "win32/handles.h"

bool ReadAcceptedRelease(const char* targetDir, FileTime& published) {
  const std::string path = std::string(targetDir) + kAcceptedReleaseFileName;
  win32::ScopedFile file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  char text[32] = {};
  DWORD got = 0;
  if (!ReadFile(file.Get(), text, sizeof(text) - 1, &got, nullptr)) return false;
  unsigned long long value = 0;
  char end = 0;
  if (std::sscanf(text, "%llu%c", &value, &end) != 2 || end != '\r') return false;
  published = {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
  return true;
}

bool KeepAcceptedRelease(const char* targetDir, FileTime published) {
  const std::string path = std::string(targetDir) + kAcceptedReleaseFileName;
  const std::string temporary = path + ".tmp";
  const unsigned long long value = (static_cast<unsigned long long>(published.high) << 32) | published.low;
  const std::string text = std::to_string(value) + "\r\n";
  {
    win32::ScopedFile file(
        CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    if (!file.Valid() || !WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &put, nullptr) ||
        put != text.size() || !FlushFileBuffers(file.Get())) {
      DeleteFileA(temporary.c_str());
      return false;
    }
  }
  if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileA(temporary.c_str());
  return false;
}
