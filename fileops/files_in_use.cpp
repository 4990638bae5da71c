#include "fileops/files_in_use.h"

#include <windows.h>

#include "config/held_file_wait.h"
#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "log/logs.h"
#include "model/temporary_name.h"
#include "win32/handles.h"

namespace {

// The tries a quarter of a second apart, as many for each file and as much
// time for all the files of a run as ОжиданиеЗанятыхФайлов gives.
constexpr std::uint32_t kRetryIntervalMs = kHeldFileRetryIntervalMs;
constexpr std::uint32_t kSliceMs = 50;  // how soon a stop request is seen

}  // namespace

bool MoveAside(const char* path, AsideFor purpose, std::string& aside, std::uint32_t& error) {
  const std::wstring widePath = ExtendedWidePath(path);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    aside = purpose == AsideFor::Replacement ? AsideNameFor(path, GetCurrentProcessId(), attempt)
                                             : TemporaryNameFor(path, GetCurrentProcessId(), attempt);
    if (aside.empty()) {
      error = ERROR_FILENAME_EXCED_RANGE;
      return false;
    }
    if (MoveFileExW(widePath.c_str(), ExtendedWidePath(aside.c_str()).c_str(), 0)) return true;
    error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

bool WaitToRetry(SyncConfig& config, unsigned retriesSoFar) {
  if (retriesSoFar >= config.inUseRetriesPerFile || config.inUseWaitLeftMs < kRetryIntervalMs) return false;
  config.inUseWaitLeftMs -= kRetryIntervalMs;
  for (std::uint32_t waited = 0; waited < kRetryIntervalMs; waited += kSliceMs) {
    if (config.Stopped()) return false;
    Sleep(kSliceMs);
  }
  return !config.Stopped();
}

namespace {

// The extended information class and flags of a deletion that may ignore
// the read-only attribute (Windows 10 1809 and later; older headers lack
// them, older systems refuse the class).
constexpr int kFileDispositionInfoEx = 21;
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;

struct DispositionInfoEx {
  DWORD flags;
};

}  // namespace

void RemoveReadOnlyAside(const std::string& aside) {
  // Opened as the name itself (a link is not followed), for deletion and
  // for its attributes.
  win32::ScopedFile file(CreateFileW(ExtendedWidePath(aside.c_str()).c_str(),
                                     DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.Valid()) return;  // in use: a later run removes it
  DispositionInfoEx deleteAsItIs{kDispositionDelete | kDispositionPosixSemantics | kDispositionIgnoreReadOnly};
  if (SetFileInformationByHandle(file.Get(), static_cast<FILE_INFO_BY_HANDLE_CLASS>(kFileDispositionInfoEx),
                                 &deleteAsItIs, sizeof(deleteAsItIs))) {
    return;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.Get(), &info)) return;
  if (info.nNumberOfLinks != 1) {
    StatsLog() << KeptHardLinkLine(aside) << EndLine;
    return;
  }
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = (info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
  if (basic.FileAttributes != FILE_ATTRIBUTE_NORMAL) basic.FileAttributes &= ~FILE_ATTRIBUTE_NORMAL;
  FILE_DISPOSITION_INFO deleteOnClose{TRUE};
  if (SetFileInformationByHandle(file.Get(), FileBasicInfo, &basic, sizeof(basic))) {
    (void)SetFileInformationByHandle(file.Get(), FileDispositionInfo, &deleteOnClose, sizeof(deleteOnClose));
  }
}

std::string MovedAsideLine(const std::string& path, const std::string& aside) {
  return "Переименование занятого файла \"" + path + "\" в \"" + aside + "\"";
}

std::string RetriedLine(const std::string& path, unsigned retries) {
  return "Ожидание занятого файла \"" + path + "\", повторных попыток: " + std::to_string(retries);
}

std::string KeptHardLinkLine(const std::string& aside) {
  return "Файл \"" + aside + "\" только для чтения и имеет другие жесткие ссылки, оставлен";
}

std::string MovedBackLine(const std::string& aside, const std::string& path) {
  return "Возврат файла \"" + aside + "\" в \"" + path + "\"";
}

std::string KeptAsideText(const std::string& aside) {
  return ", прежний файл сохранен как \"" + aside + "\"";
}
