#include "win32/wide_text.h"

#include <windows.h>

std::wstring WidenAnsi(const std::string& text) {
  const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
  wide.resize(static_cast<std::size_t>(size) - 1);
  return wide;
}

bool NarrowExact(const std::wstring& wide, std::string& text) {
  text.clear();
  if (wide.empty()) return true;
  BOOL usedDefault = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                       nullptr, &usedDefault);
  if (size <= 0 || usedDefault) return false;
  std::string narrow(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, narrow.data(), size,
                          nullptr, &usedDefault) != size ||
      usedDefault) {
    return false;
  }
  narrow.resize(static_cast<std::size_t>(size) - 1);
  if (WidenAnsi(narrow) != wide) return false;
  text = std::move(narrow);
  return true;
}
