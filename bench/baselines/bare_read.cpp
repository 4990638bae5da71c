// bare_read: the least work that reading a whole tree's bytes needs. Walks
// the tree with the directory-listing calls and reads every file once,
// front to back, through one buffer; nothing is hashed or kept. A run that
// checks each file's bytes (a publisher hashing the share, a repair
// hashing the target) is measured against it.
//
//   bare_read.exe <tree>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                         static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length) - 1 : 0);
  return wide;
}

// Reads `path` to its end; false when it cannot be opened or read.
bool ReadWhole(const std::string& path, std::vector<char>& buffer, unsigned long long& bytes) {
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      ok = false;
      break;
    }
    if (read == 0) break;
    bytes += read;
  }
  CloseHandle(file);
  return ok;
}

void Read(const std::string& tree, std::vector<char>& buffer, long& files, long& failed,
          unsigned long long& bytes) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileExA((tree + "\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Read(tree + "\\" + name, buffer, files, failed, bytes);
      continue;
    }
    ++files;
    if (!ReadWhole(tree + "\\" + name, buffer, bytes)) ++failed;
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  std::vector<char> buffer(1 << 20);
  long files = 0, failed = 0;
  unsigned long long bytes = 0;
  Read(argv[1], buffer, files, failed, bytes);
  std::printf("%ld files, %llu bytes, %ld failed\n", files, bytes, failed);
  return failed == 0 ? 0 : 2;
}
