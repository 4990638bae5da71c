#include "fileops/long_path_copy.h"

#include <windows.h>

#include <string>

#include "fileops/extended_path.h"

namespace {

std::wstring Widen(const std::string& text) {
  const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
  wide.resize(static_cast<std::size_t>(size) - 1);
  return wide;
}

// The wide extended-length form. A relative path (allowed for both
// directories in the ini file) is resolved against the current directory
// first: given the UNC prefix as it stands it could never be found.
std::wstring ExtendedWidePath(const char* path) {
  std::string extended;
  if (MakeExtendedLengthPath(path, extended)) return Widen(extended);
  const std::wstring relative = Widen(path);
  const DWORD size = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
  if (size == 0) return relative;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(relative.c_str(), size, full.data(), nullptr);
  full.resize(length);
  // The full form has no "." components left; only the prefix is added.
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace

bool CopyFileLongPath(bool longPathCapable, const char* source, const char* target) {
  if (!longPathCapable) return CopyFileA(source, target, FALSE) != FALSE;
  const std::wstring wideSource = ExtendedWidePath(source);
  const std::wstring wideTarget = ExtendedWidePath(target);
  return CopyFileW(wideSource.c_str(), wideTarget.c_str(), FALSE) == TRUE;
}
