#include "config/final_path_forms.h"

#include <windows.h>

#include <algorithm>

#include "win32/handles.h"
#include "win32/wide_text.h"

namespace {

// Calls `get(buffer, size)` of a path-returning API until the answer fits.
template <typename Get>
bool AskForPath(Get get, std::wstring& result) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return false;
    if (length < buffer.size()) {
      buffer.resize(length);
      result = std::move(buffer);
      return true;
    }
    buffer.assign(length + 1, L'\0');
  }
  return false;
}

std::wstring Folded(std::wstring text) {
  if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

void Add(PathForms& forms, const std::wstring& text) {
  const std::wstring form = Folded(ComparablePathText(text));
  if (std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(form);
}

// The extended form opens paths of any length, and a root only with its
// backslash ("\\?\Q:" would be the volume, not its root folder).
std::wstring OpenablePath(const std::wstring& comparable) {
  const bool unc = comparable.size() > 2 && comparable[0] == L'\\' && comparable[1] == L'\\';
  std::wstring path = unc ? L"\\\\?\\UNC\\" + comparable.substr(2) : L"\\\\?\\" + comparable;
  if (IsRootPath(comparable)) path += L'\\';
  return path;
}

// Where the file system finally takes the path; false when it cannot be
// opened (it does not exist, or access is refused).
bool FinalPath(const std::wstring& comparable, std::wstring& final) {
  // No access asked for: only the name is wanted. Backup semantics open a
  // directory too.
  const win32::ScopedFile handle(CreateFileW(OpenablePath(comparable).c_str(), 0,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.Valid()) return false;
  return AskForPath(
      [&](wchar_t* buffer, DWORD size) {
        return GetFinalPathNameByHandleW(handle.Get(), buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      },
      final);
}

}  // namespace

PathForms FinalPathForms(const std::wstring& path) {
  PathForms forms;
  // Without its prefix the path is normalised by the call below: ".."
  // resolved; an extended path would be taken as it stands.
  const std::wstring written = WithoutExtendedPrefix(path);
  std::wstring full;
  if (!AskForPath([&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(written.c_str(), size, buffer, nullptr); },
                  full)) {
    full = written;
  }
  Add(forms, full);
  const std::wstring comparable = ComparablePathText(full);
  std::wstring longForm;
  if (AskForPath([&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(comparable.c_str(), buffer, size); },
                 longForm)) {
    Add(forms, longForm);
  }
  std::wstring final;
  if (FinalPath(comparable, final)) Add(forms, final);
  return forms;
}

PathForms FinalPathForms(const std::string& path) { return FinalPathForms(WidenAnsi(path)); }
