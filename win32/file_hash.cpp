#include "win32/file_hash.h"

#include <windows.h>

#include <vector>

#include "win32/cng.h"
#include "win32/handles.h"

bool Sha256OfFile(const std::wstring& path, Sha256Digest& digest, std::uint64_t& bytes, unsigned long& error) {
  constexpr DWORD kChunk = 1u << 20;
  // One buffer and one hash object per thread, for file after file.
  thread_local std::vector<unsigned char> buffer(kChunk);
  thread_local win32::Sha256 hasher;
  bytes = 0;
  error = 0;
  win32::ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) {
    error = GetLastError();
    return false;
  }
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer.data(), kChunk, &got, nullptr)) {
      error = GetLastError();
      (void)hasher.Finish();  // the next file starts afresh
      return false;
    }
    if (got == 0) break;
    bytes += got;
    if (!hasher.Add(buffer.data(), got)) break;  // Finish reports it
  }
  const std::optional<Sha256Digest> done = hasher.Finish();
  if (!done) return false;
  digest = *done;
  return true;
}
