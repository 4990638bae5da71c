// bare_copy: the least work a first full copy needs. Walks the source with
// the directory-listing calls, creates each directory in the target and
// copies every file with CopyFileW.
//
//   bare_copy.exe <source> <target>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                         static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length) - 1 : 0);
  return wide;
}

void Copy(const std::string& source, const std::string& target, long& files, long& failed) {
  CreateDirectoryA(target.c_str(), nullptr);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileExA((source + "\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Copy(source + "\\" + name, target + "\\" + name, files, failed);
      continue;
    }
    ++files;
    if (!CopyFileW(Widen(source + "\\" + name).c_str(), Widen(target + "\\" + name).c_str(), FALSE))
      ++failed;
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 1;
  long files = 0, failed = 0;
  Copy(argv[1], argv[2], files, failed);
  std::printf("%ld files, %ld failed\n", files, failed);
  return failed == 0 ? 0 : 2;
}
