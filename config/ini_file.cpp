#include "config/ini_file.h"

#include <windows.h>

#include "config/ini_text.h"
#include "win32/handles.h"

bool LoadIniFile(const char* path, IniDocument& document, unsigned long& error) {
  error = 0;
  win32::ScopedFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.Valid() || !GetFileSizeEx(file.Get(), &size)) {
    error = GetLastError();
    return false;
  }
  if (static_cast<unsigned long long>(size.QuadPart) > kLargestIniFile) {
    error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), &bytes[have], static_cast<DWORD>(bytes.size() - have), &got, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (got == 0) break;  // the file grew shorter while it was read
    have += got;
  }
  bytes.resize(have);
  document = IniDocument(DecodeIniText(bytes));
  return true;
}

std::string IniReadErrorText(const char* path, unsigned long error) {
  return "Ошибка " + std::to_string(error) + " чтения файла \"" + std::string(path) + "\".";
}
