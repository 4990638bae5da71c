#include "scan/directory_listing.h"

#include <windows.h>

#include <cstring>

#include "win32/handles.h"
#include "win32/wide_text.h"

namespace {

// Converts a listed name to the ANSI code page. Exact only when no
// character needed the default character or a best-fit look-alike, and the
// result converts back to the very same name: the round trip also catches
// a system that ignores the no-best-fit flag.
void ConvertName(const wchar_t* wide, ListedItem& item) {
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, item.name,
                                         static_cast<int>(sizeof(item.name)), "?", &usedDefault);
  if (length <= 0) {
    item.name[0] = '?';
    item.name[1] = '\0';
    item.nameExact = false;
    return;
  }
  item.nameExact = !usedDefault;
  if (item.nameExact) {
    wchar_t back[kFileNameSize];
    const int backLength = MultiByteToWideChar(CP_ACP, 0, item.name, -1, back, kFileNameSize);
    item.nameExact = backLength > 0 && std::wcscmp(back, wide) == 0;
  }
}

bool IsDotOrDotDot(const wchar_t* name) {
  return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

void Append(const WIN32_FIND_DATAW& data, std::vector<ListedItem>& items) {
  if (IsDotOrDotDot(data.cFileName)) return;
  ListedItem& item = items.emplace_back();
  item.attributes = data.dwFileAttributes;
  item.lastWriteTime = {data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime};
  item.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  ConvertName(data.cFileName, item);
}

class SystemDirectoryLister final : public DirectoryLister {
 public:
  ListingResult List(const std::string& directoryPath, std::vector<ListedItem>& items) override {
    items.clear();
    const std::string pattern = directoryPath + "*.*";
    // The wide calls would reach past the classic limit where the narrow
    // calls that create and delete in the tree cannot: the listing keeps to
    // the same limit, so that a directory is either handled whole or
    // reported as unreadable.
    if (pattern.size() >= MAX_PATH) return {ListingEnd::NotOpened, ERROR_FILENAME_EXCED_RANGE};
    const std::wstring widePattern = WidenAnsi(pattern);
    WIN32_FIND_DATAW data;
    // The basic record (no short name) in large batches: the same records
    // with fewer round trips. Systems that refuse the flags get the plain call.
    win32::ScopedFind find(FindFirstFileExW(widePattern.c_str(), FindExInfoBasic, &data,
                                            FindExSearchNameMatch, nullptr,
                                            FIND_FIRST_EX_LARGE_FETCH));
    if (!find.Valid() && GetLastError() == ERROR_INVALID_PARAMETER) {
      find.Reset(FindFirstFileW(widePattern.c_str(), &data));
    }
    if (!find.Valid()) return {ListingEnd::NotOpened, GetLastError()};
    do {
      Append(data, items);
    } while (FindNextFileW(find.Get(), &data));
    // Only "no more files" ends a listing: any other failure (a share that
    // dropped, an I/O error) leaves a partial picture, on which nothing may
    // be deleted.
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES) return {ListingEnd::CutShort, error};
    return {ListingEnd::Complete, 0};
  }
};

}  // namespace

DirectoryLister& SystemLister() {
  static SystemDirectoryLister lister;
  return lister;
}
