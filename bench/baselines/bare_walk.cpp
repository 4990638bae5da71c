// bare_walk: the least work a no-change run needs. Lists the source and the
// target tree with the directory-listing calls, matches target names
// through a hash, compares last-write times, and reports how many files
// differ. Nothing is copied.
//
//   bare_walk.exe <source> <target>
#include <windows.h>

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Item {
  std::string name;
  FILETIME time;
  bool directory;
};

std::vector<Item> List(const std::string& directory) {
  std::vector<Item> items;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileExA((directory + "\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return items;
  do {
    if (data.cFileName[0] == '.' &&
        (data.cFileName[1] == '\0' || (data.cFileName[1] == '.' && data.cFileName[2] == '\0')))
      continue;
    items.push_back({data.cFileName, data.ftLastWriteTime,
                     (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return items;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void Walk(const std::string& source, const std::string& target, long& files, long& differ) {
  const std::vector<Item> sourceItems = List(source);
  std::unordered_map<std::string, const Item*> targetIndex;
  const std::vector<Item> targetItems = List(target);
  targetIndex.reserve(targetItems.size());
  for (const Item& item : targetItems) targetIndex.emplace(Lower(item.name), &item);
  for (const Item& item : sourceItems) {
    const auto found = targetIndex.find(Lower(item.name));
    if (item.directory) {
      Walk(source + "\\" + item.name, target + "\\" + item.name, files, differ);
      continue;
    }
    ++files;
    if (found == targetIndex.end() ||
        CompareFileTime(&found->second->time, &item.time) != 0) {
      ++differ;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 1;
  long files = 0, differ = 0;
  Walk(argv[1], argv[2], files, differ);
  std::printf("%ld files, %ld differ\n", files, differ);
  return 0;
}
