#include "app/default_ini.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "model/limits.h"
#include "win32/message_box.h"

namespace {

constexpr int kTemplateResourceId = 103;

bool ReportCannotCreate() {
  ShowProgramBox("Невозможно создать ini-файл", MB_OK | MB_ICONERROR);
  return false;
}

// An ini file already there may be the one the workstations run with: it is
// replaced only when the user says so. No is the default button, so that
// Enter pressed in passing keeps it. (A directory of that name is no file
// to replace: writing over it fails and says so.)
bool MayWriteOver(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  return ShowProgramBox("Файл \"velkarin.ini\" уже существует.\nЗаменить его?",
                        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

bool WriteDefaultIni() {
  char path[kPathSize];
  const DWORD length = GetCurrentDirectoryA(kPathSize, path);
  static const char kName[] = "\\velkarin.ini";
  if (length == 0 || length + sizeof(kName) > kPathSize) return ReportCannotCreate();
  std::memcpy(path + length, kName, sizeof(kName));
  if (!MayWriteOver(path)) return false;

  // Resources of the own module need no unlocking or freeing.
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(self, MAKEINTRESOURCEA(kTemplateResourceId), "TXT");
  HGLOBAL loaded = info ? LoadResource(self, info) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = info ? SizeofResource(self, info) : 0;
  if (bytes == nullptr || size == 0) {
    ShowProgramBox("Невозможно получить доступ к ресурсам", MB_OK | MB_ICONERROR);
    return false;
  }

  // Binary mode: the template already has its CR LF line ends.
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return ReportCannotCreate();
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  // A short write (a full disk) must not pass for a generated file.
  if (std::fclose(file) != 0 || !written) return ReportCannotCreate();
  return true;
}
