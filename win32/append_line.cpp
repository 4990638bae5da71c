#include "win32/append_line.h"

#include <windows.h>

#include "win32/handles.h"

bool AppendWholeLine(const std::string& path, const std::string& line, std::uint32_t& error) {
  win32::ScopedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    error = GetLastError();
    return false;
  }
  OVERLAPPED region{};
  region.Offset = 0xFFFFFFFE;
  region.OffsetHigh = 0x7FFFFFFF;
  bool locked = false;
  for (int attempt = 0; attempt < 500 && !locked; ++attempt) {
    locked = LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &region) != 0;
    if (!locked) Sleep(10);
  }
  if (!locked) {
    error = GetLastError();
    return false;
  }
  LARGE_INTEGER end{};
  DWORD written = 0;
  const bool appended = SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &end, FILE_END) &&
                        WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                        written == line.size();
  error = appended ? 0 : GetLastError();
  UnlockFileEx(file.Get(), 0, 1, 0, &region);
  return appended;
}
