#include "win32/process_image.h"

#include <tlhelp32.h>

#include <vector>

#include "win32/handles.h"
#include "win32/wide_text.h"

// The Win32 form of the path ("C:\...", "\\server\share\..."); Wine gives
// the drive form too, "Z:\..." for a path of the Unix file system, never
// "\\?\" or a device path. Limited query rights are enough.
bool QueriedImagePath(DWORD processId, std::string& path) {
  win32::ScopedKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return false;
  // Long paths: grown until the name fits, up to the longest a path can be.
  for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
    std::vector<wchar_t> buffer(capacity);
    DWORD length = capacity;
    if (QueryFullProcessImageNameW(process.Get(), 0, buffer.data(), &length)) {
      return NarrowExact(std::wstring(buffer.data(), length), path);
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  }
  return false;
}

bool FirstModulePath(DWORD processId, std::string& path) {
  win32::ScopedFile modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!modules.Valid()) return false;
  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  return Module32FirstW(modules.Get(), &module) && NarrowExact(module.szExePath, path);
}
