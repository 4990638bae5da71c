// Arbitrary text, up to and past the 1024-byte path buffers, through the
// directory-path normaliser, the Windows-1251 upper-casing, the two list
// rules, the rule for relative names joined to the target and the test for
// the program's own files, and the rules of which folder holds which.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/directory_path.h"
#include "config/full_path_entries.h"
#include "config/list_matching.h"
#include "config/path_nesting.h"
#include "config/stays_inside_root.h"
#include "config/upper_case_1251.h"
#include "plan/own_files.h"
#include "model/limits.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The path's components, '\' and '/' both separating, as the system reads it.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts(1);
  for (char c : path) {
    if (c == '\\' || c == '/') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

bool DotsAndSpacesOnly(const std::string& component) {
  return !component.empty() && component.find_first_not_of(". ") == std::string::npos;
}

// A relative name is accepted only when, joined to a root, it names
// something strictly below it; it is refused only for a stated reason.
void CheckInsideRootRule(const std::string& path) {
  const bool accepted = StaysInsideRoot(path);
  const std::vector<std::string> parts = Components(path);
  bool dotOnlyComponent = false;
  int depth = 0;
  bool climbed = false;
  for (const std::string& part : parts) {
    dotOnlyComponent = dotOnlyComponent || DotsAndSpacesOnly(part);
    if (part == "..") {
      climbed = climbed || --depth < 0;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
  }
  const bool leadingSeparator = !path.empty() && parts.front().empty();
  const bool colon = path.find(':') != std::string::npos;
  if (accepted) {
    Require(!path.empty() && !leadingSeparator && !colon && !dotOnlyComponent);
    Require(!climbed && depth > 0);  // never the root itself, never above it
    Require(StaysInsideRoot("x\\" + path));
  } else {
    Require(path.empty() || leadingSeparator || colon || dotOnlyComponent);
  }
  Require(!StaysInsideRoot(path + "\\.."));
  Require(!StaysInsideRoot(path + "/."));
}

// One comparable text per folder: no trailing or doubled separator, no
// '/'; a folder holds itself and what lies below it, never its parent; and
// overlapping is the same relation whichever side is asked first.
void CheckNestingRule(const std::string& path, const std::string& other) {
  const std::wstring text = ComparablePathText(std::wstring(path.begin(), path.end()));
  const std::wstring otherText = ComparablePathText(std::wstring(other.begin(), other.end()));
  Require(text.find(L'/') == std::wstring::npos);
  Require(text.empty() || text == L"\\\\" || text.back() != L'\\');
  Require(text.find(L"\\\\", 1) == std::wstring::npos);
  if (!text.empty()) {
    Require(HoldsOrIs(text, text));
    Require(HoldsOrIs(text, text + L"\\a"));
    Require(!HoldsOrIs(text + L"\\a", text));
    Require(!HoldsOrIs(text, text + L"a"));
  }
  Require(FoldersOverlap({text}, {otherText}) == FoldersOverlap({otherText}, {text}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte splits the rest into a path and a list entry.
  if (size == 0) return 0;
  const std::size_t split = size > 1 ? data[0] % size : 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, split > 0 ? split - 1 : 0);
  const std::string other(reinterpret_cast<const char*>(data) + (split > 0 ? split : 1),
                          size - (split > 0 ? split : 1));
  const std::string path = text.substr(0, text.find('\0'));
  const std::string entry = other.substr(0, other.find('\0'));

  char normalised[kPathSize];
  std::memset(normalised, 'x', sizeof(normalised));
  NormaliseDirectoryPath(normalised, path.c_str());
  const std::size_t length = strnlen(normalised, sizeof(normalised));
  Require(length < sizeof(normalised));
  const bool endsWithBackslash = !path.empty() && path.back() == '\\';
  const bool fits = !path.empty() && path.size() + (endsWithBackslash ? 0 : 1) <= kPathSize - 1;
  if (fits) {
    Require(std::string(normalised) == (endsWithBackslash ? path : path + "\\"));
  } else {
    Require(length == 0);  // refused whole, never cut
  }

  std::vector<char> upper(path.begin(), path.end());
  upper.push_back('\0');
  UpperCase1251(upper.data());
  Require(std::strlen(upper.data()) == path.size());
  std::vector<char> twice(upper);
  UpperCase1251(twice.data());
  Require(twice == upper);  // upper-casing settles after one pass
  for (std::size_t i = 0; i < path.size(); ++i) {
    Require(static_cast<unsigned char>(upper[i]) ==
            UpperCase1251Char(static_cast<unsigned char>(path[i])));
  }

  // The ignore rule ignores case; the strict rule does not.
  const std::vector<std::string> list = {entry, std::string(upper.data())};
  Require(MatchesListEntry(path.c_str(), list));
  const bool strict = IsStrictlySynchronised(path.c_str(), {entry});
  if (path == entry && path.find(".\\") == std::string::npos) Require(strict);
  CheckInsideRootRule(path);
  CheckInsideRootRule(entry);
  CheckNestingRule(path, entry);

  // A full-path list entry inside a root stands for the rest of it, and
  // only a full path can stand for anything; the root must be followed by
  // a separator or the end, never by more of a name.
  if (!entry.empty() && entry.back() == '\\') {
    for (const RootCase rule : {RootCase::Exact, RootCase::Ascii, RootCase::Windows1251}) {
      std::string relative;
      if (!RelativeToRoot(path, entry, rule, relative)) continue;
      Require(IsFullPathEntry(path));
      Require(relative.empty() || relative.back() != '\\');
      Require(path.size() + 1 >= entry.size());
      Require(path.size() + 1 == entry.size() || path[entry.size() - 1] == '\\');
      if (rule == RootCase::Exact) Require(path.compare(0, entry.size() - 1, entry, 0, entry.size() - 1) == 0);
    }
  }

  // The program's own files are found whatever the case of the run's path
  // and behind its root marker, and nothing else is taken for them.
  if (path.find("\\.\\") == std::string::npos) {
    Require(IsOwnFile({std::string(upper.data())}, path));
    const std::size_t separator = path.find('\\');
    if (separator != std::string::npos) {
      Require(IsOwnFile({path}, path.substr(0, separator + 1) + ".\\" + path.substr(separator + 1)));
    }
  }
  if (IsOwnFile({entry}, path)) {
    std::string plain = path;
    const std::size_t marker = plain.find("\\.\\");
    if (marker != std::string::npos) plain.erase(marker, 2);
    Require(plain.size() == entry.size());
  }
  return 0;
}
