#include "fileops/files_in_use.h"

#include <windows.h>

#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "fileops/temporary_name.h"

namespace {

// A few tries a quarter of a second apart for each file; three seconds for
// all the files of a run.
constexpr unsigned kRetriesPerFile = 4;
constexpr std::uint32_t kRetryIntervalMs = 250;
constexpr std::uint32_t kSliceMs = 50;  // how soon a stop request is seen

}  // namespace

bool MoveAside(const char* path, std::string& aside, std::uint32_t& error) {
  const std::wstring widePath = ExtendedWidePath(path);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    aside = TemporaryNameFor(path, GetCurrentProcessId(), attempt);
    if (MoveFileExW(widePath.c_str(), ExtendedWidePath(aside.c_str()).c_str(), 0)) return true;
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

bool WaitToRetry(SyncConfig& config, unsigned retriesSoFar) {
  if (retriesSoFar >= kRetriesPerFile || config.inUseWaitLeftMs < kRetryIntervalMs) return false;
  config.inUseWaitLeftMs -= kRetryIntervalMs;
  for (std::uint32_t waited = 0; waited < kRetryIntervalMs; waited += kSliceMs) {
    if (config.Stopped()) return false;
    Sleep(kSliceMs);
  }
  return !config.Stopped();
}

std::string MovedAsideLine(const std::string& path, const std::string& aside) {
  return "Переименование занятого файла \"" + path + "\" в \"" + aside + "\"";
}

std::string RetriedLine(const std::string& path, unsigned retries) {
  return "Ожидание занятого файла \"" + path + "\", повторных попыток: " + std::to_string(retries);
}
