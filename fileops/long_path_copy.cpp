#include "fileops/long_path_copy.h"

#include <windows.h>

#include <string>

#include "config/sync_config.h"
#include "ui/progress_text.h"
#include "win32/extended_path.h"
#include "win32/run_control.h"
#include "win32/wide_text.h"

// A relative path (allowed for both directories in the ini file) is
// resolved against the current directory first: given the UNC prefix as it
// stands it could never be found.
std::wstring ExtendedWidePath(const char* path) {
  std::string extended;
  if (MakeExtendedLengthPath(path, extended)) return WidenAnsi(extended);
  const std::wstring relative = WidenAnsi(path);
  const DWORD size = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
  if (size == 0) return relative;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(relative.c_str(), size, full.data(), nullptr);
  full.resize(length);
  // The full form has no "." components left; only the prefix is added.
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

namespace {

// Called by the system between chunks of a copy: moves the window's bar
// within a large file, waits while the run is paused and cancels the copy
// once it is stopped. (Wine 8 does not call it: there a copy runs to its
// end, the bar moves once the file is done, and the run stops right after.)
DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                            DWORD, HANDLE, HANDLE, LPVOID data) {
  const auto* config = static_cast<const SyncConfig*>(data);
  SendProgressBytes(config->progressWindowHandle, static_cast<std::uint64_t>(transferred.QuadPart));
  return config->StopRequested() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

}  // namespace

bool CopyFileLongPath(const SyncConfig& config, const char* source, const char* target,
                      bool failIfExists) {
  BOOL* cancel = config.runControl != nullptr ? config.runControl->CopyCancelFlag() : nullptr;
  LPPROGRESS_ROUTINE progress = config.runControl != nullptr ? &CopyProgress : nullptr;
  void* data = const_cast<SyncConfig*>(&config);
  const DWORD flags = failIfExists ? COPY_FILE_FAIL_IF_EXISTS : 0;
  if (!config.longPathCapable) {
    return CopyFileExA(source, target, progress, data, cancel, flags) != FALSE;
  }
  const std::wstring wideSource = ExtendedWidePath(source);
  const std::wstring wideTarget = ExtendedWidePath(target);
  return CopyFileExW(wideSource.c_str(), wideTarget.c_str(), progress, data, cancel, flags) == TRUE;
}
