#include "win32/run_lock.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// A mutex name may not hold a backslash after its namespace and is limited
// in length: the path is given as a 64-bit FNV-1a hash of its UTF-16 text.
std::wstring MutexName(const wchar_t* kind, const std::wstring& path) {
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : path) {
    hash ^= static_cast<std::uint16_t>(c);
    hash *= 1099511628211ull;
  }
  wchar_t name[80];
  std::swprintf(name, 80, L"Global\\velkarin-%ls-%016llx", kind, static_cast<unsigned long long>(hash));
  return name;
}

enum class Take { Taken, HeldElsewhere, Unavailable };

// Creates the mutex `name`, or finds it there. Made by another user (a
// scheduled task's account), it may refuse us even a look: it is held all
// the same.
Take TakeMutex(const std::wstring& name, void*& handle) {
  handle = nullptr;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) return error == ERROR_ACCESS_DENIED ? Take::HeldElsewhere : Take::Unavailable;
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return Take::HeldElsewhere;
  }
  handle = mutex;
  return Take::Taken;
}

void Release(void*& handle) {
  if (handle != nullptr) CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

bool TakeTargetRunLock(const std::wstring& targetKey, bool unattended, TargetRunLock& held) {
  held = TargetRunLock{};
  // The mark first: a start that finds the lock held then always finds the
  // mark of an unattended holder.
  if (unattended && TakeMutex(MutexName(L"unattended", targetKey), held.unattendedMark) == Take::HeldElsewhere) {
    return false;
  }
  if (TakeMutex(MutexName(L"run", targetKey), held.run) == Take::HeldElsewhere) {
    ReleaseTargetRunLock(held);
    return false;
  }
  return true;
}

void ReleaseTargetRunLock(TargetRunLock& held) {
  Release(held.run);
  Release(held.unattendedMark);
}

bool UnattendedRunHolds(const std::wstring& targetKey) {
  HANDLE mark = OpenMutexW(SYNCHRONIZE, FALSE, MutexName(L"unattended", targetKey).c_str());
  if (mark == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  CloseHandle(mark);
  return true;
}
