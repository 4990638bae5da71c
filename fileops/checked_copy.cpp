#include "fileops/checked_copy.h"

#include <windows.h>

#include <vector>

#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "ui/progress_text.h"
#include "win32/cng.h"
#include "win32/handles.h"
#include "win32/wide_text.h"

namespace {

// The attributes a new copy takes from its source, as the system's copy
// gives them: the file's own, never what says where or how it is stored.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::wstring PathFor(const SyncConfig& config, const char* path) {
  return config.longPathCapable ? ExtendedWidePath(path) : WidenAnsi(path);
}

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

}  // namespace

bool CopyFileHashing(const SyncConfig& config, const char* source, const char* target,
                     const FileTime* lastWriteTime, Sha256Digest& digest, std::uint64_t& bytes) {
  constexpr DWORD kChunk = 1u << 20;
  // One buffer and one hash object per thread, for file after file.
  thread_local std::vector<unsigned char> buffer(kChunk);
  thread_local win32::Sha256 hasher;
  bytes = 0;
  win32::ScopedFile from(CreateFileW(PathFor(config, source).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from.Valid()) return false;
  // The basic information alone: the whole of it would ask for the
  // volume's serial number too, which Wine fetches from another process
  // for every file.
  FILE_BASIC_INFO info;
  if (!GetFileInformationByHandleEx(from.Get(), FileBasicInfo, &info, sizeof(info))) return false;
  const DWORD attributes = info.FileAttributes & kCopiedAttributes;
  win32::ScopedFile to(CreateFileW(PathFor(config, target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!to.Valid()) return false;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(from.Get(), buffer.data(), kChunk, &got, nullptr)) {
      const DWORD error = GetLastError();
      (void)hasher.Finish();  // the next file starts afresh
      return Fail(error);
    }
    if (got == 0) break;
    if (!hasher.Add(buffer.data(), got)) break;  // Finish reports it
    DWORD written = 0;
    const bool wrote = WriteFile(to.Get(), buffer.data(), got, &written, nullptr) != FALSE;
    if (!wrote || written != got) {
      const DWORD error = wrote ? ERROR_DISK_FULL : GetLastError();
      (void)hasher.Finish();
      return Fail(error);
    }
    bytes += got;
    if (got == kChunk) {
      SendProgressBytes(config.progressWindowHandle, bytes);
      if (config.StopRequested()) {
        (void)hasher.Finish();
        return Fail(ERROR_REQUEST_ABORTED);
      }
    }
  }
  const std::optional<Sha256Digest> done = hasher.Finish();
  if (!done) return Fail(0);
  digest = *done;
  FILETIME written;
  written.dwLowDateTime = static_cast<DWORD>(info.LastWriteTime.QuadPart);
  written.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(info.LastWriteTime.QuadPart) >> 32);
  if (lastWriteTime != nullptr) {
    written.dwLowDateTime = lastWriteTime->low;
    written.dwHighDateTime = lastWriteTime->high;
  }
  if (!SetFileTime(to.Get(), nullptr, nullptr, &written)) return false;
  return true;
}
