#include "config/system_folders.h"

#include <windows.h>
#include <userenv.h>

namespace {

constexpr DWORD kFolderSize = MAX_PATH * 4;

std::wstring Variable(const wchar_t* name) {
  wchar_t value[kFolderSize];
  const DWORD length = GetEnvironmentVariableW(name, value, kFolderSize);
  return length != 0 && length < kFolderSize ? std::wstring(value, length) : std::wstring();
}

void AddVariable(std::vector<std::wstring>& folders, const wchar_t* name) {
  std::wstring value = Variable(name);
  if (!value.empty()) folders.push_back(std::move(value));
}

// The folder that holds the profile: the Users folder, also where the
// system will not say so itself.
void AddParent(std::vector<std::wstring>& folders, std::wstring path) {
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  const std::size_t separator = path.find_last_of(L'\\');
  if (separator != std::wstring::npos && separator > 2) folders.push_back(path.substr(0, separator));
}

}  // namespace

std::vector<std::wstring> SystemFolders() {
  std::vector<std::wstring> folders;
  wchar_t windows[kFolderSize];
  const UINT length = GetWindowsDirectoryW(windows, kFolderSize);
  if (length != 0 && length < kFolderSize) folders.emplace_back(windows, length);
  // A 32-bit program on 64-bit Windows is told the x86 folder in
  // ProgramFiles; ProgramW6432 names the other one.
  AddVariable(folders, L"ProgramFiles");
  AddVariable(folders, L"ProgramW6432");
  AddVariable(folders, L"ProgramFiles(x86)");
  AddVariable(folders, L"ProgramData");
  AddVariable(folders, L"USERPROFILE");
  wchar_t profiles[kFolderSize];
  DWORD size = kFolderSize;
  if (GetProfilesDirectoryW(profiles, &size)) folders.emplace_back(profiles);
  AddParent(folders, Variable(L"USERPROFILE"));
  return folders;
}
