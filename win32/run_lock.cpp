#include "win32/run_lock.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// A mutex name may not hold a backslash and is limited in length: the
// path is given as a 64-bit FNV-1a hash of its UTF-16 text.
std::wstring LockName(const std::wstring& path) {
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

bool TakeTargetRunLock(const std::wstring& targetKey, void*& held) {
  held = nullptr;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, LockName(targetKey).c_str());
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
