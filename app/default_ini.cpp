#include "app/default_ini.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "config/limits.h"
#include "win32/message_box.h"

namespace {

constexpr int kTemplateResourceId = 103;

void ReportCannotCreate() { ShowProgramBox("Невозможно создать ini-файл", MB_OK | MB_ICONERROR); }

}  // namespace

void WriteDefaultIni() {
  char path[kPathSize];
  const DWORD length = GetCurrentDirectoryA(kPathSize, path);
  static const char kName[] = "\\velkarin.ini";
  if (length == 0 || length + sizeof(kName) > kPathSize) {
    ReportCannotCreate();
    return;
  }
  std::memcpy(path + length, kName, sizeof(kName));

  // Resources of the own module need no unlocking or freeing.
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(self, MAKEINTRESOURCEA(kTemplateResourceId), "TXT");
  HGLOBAL loaded = info ? LoadResource(self, info) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = info ? SizeofResource(self, info) : 0;
  if (bytes == nullptr || size == 0) {
    ShowProgramBox("Невозможно получить доступ к ресурсам", MB_OK | MB_ICONERROR);
    return;
  }

  // Binary mode: the template already has its CR LF line ends.
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    ReportCannotCreate();
    return;
  }
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  // A short write (a full disk) must not pass for a generated file.
  if (std::fclose(file) != 0 || !written) ReportCannotCreate();
}
