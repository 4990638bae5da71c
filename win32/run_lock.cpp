#include "win32/run_lock.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "win32/handles.h"
#include "win32/wide_text.h"

namespace {

// The directory's final path (links and mapped drives resolved) as the
// system gives it, or its path as written when the system cannot say.
std::wstring FinalPathOf(const char* directory) {
  const std::wstring written = WidenAnsi(directory);
  win32::ScopedFile handle(CreateFileW(written.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return written;
  std::wstring final(1024, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = GetFinalPathNameByHandleW(handle.Get(), final.data(), static_cast<DWORD>(final.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return written;
    if (length < final.size()) {
      final.resize(length);
      return final;
    }
    final.assign(length + 1, L'\0');
  }
  return written;
}

// A mutex name may not hold a backslash and is limited in length: the
// path is given as a 64-bit FNV-1a hash of its UTF-16 text.
std::wstring LockName(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  if (!path.empty()) CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : path) {
    hash ^= static_cast<std::uint16_t>(c);
    hash *= 1099511628211ull;
  }
  wchar_t name[64];
  std::swprintf(name, 64, L"Local\\velkarin-run-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace

bool TakeTargetRunLock(const char* targetDir, void*& held) {
  held = nullptr;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, LockName(FinalPathOf(targetDir)).c_str());
  if (mutex == nullptr) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  held = mutex;
  return true;
}

void ReleaseTargetRunLock(void*& held) {
  if (held != nullptr) CloseHandle(held);
  held = nullptr;
}
