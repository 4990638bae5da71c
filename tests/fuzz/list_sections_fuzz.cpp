// Arbitrary bytes as the text of an ini section, as the profile reader
// returns it: the entry loop, the check-pair parser and both list rules on
// what comes out. Every entry must be a whole line of the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/check_pair.h"
#include "config/full_path_entries.h"
#include "config/list_matching.h"
#include "config/list_sections.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* buffer = reinterpret_cast<const char*>(data);
  std::vector<std::string> list;
  const std::size_t appended = AppendSectionEntries(buffer, size, list);
  Require(appended == list.size());

  std::size_t searchFrom = 0;
  for (const std::string& entry : list) {
    Require(!entry.empty() && entry[0] != '#');
    Require(entry.find('\0') == std::string::npos);
    // In order, each a line of the input: starts the buffer or follows a
    // terminator, and ends at one or at the end of the buffer.
    const void* found = nullptr;
    for (std::size_t at = searchFrom; at + entry.size() <= size; ++at) {
      if ((at == 0 || buffer[at - 1] == '\0') && std::memcmp(buffer + at, entry.data(), entry.size()) == 0 &&
          (at + entry.size() == size || buffer[at + entry.size()] == '\0')) {
        found = buffer + at;
        searchFrom = at + entry.size();
        break;
      }
    }
    Require(found != nullptr);

    CheckPair pair;
    const bool parsed = ParseCheckPair(entry, pair);
    Require(parsed == (entry.find('=') != std::string::npos));
    if (parsed) {
      // Leading backslashes go, except those of a network path.
      Require(pair.targetName.empty() || pair.targetName[0] != '\\' || IsFullPathEntry(pair.targetName));
      Require(pair.sourceName.empty() || pair.sourceName[0] != '\\' || IsFullPathEntry(pair.sourceName));
      Require(pair.targetName.size() + pair.sourceName.size() < entry.size());
    }
    // An entry always matches a list that holds it.
    Require(MatchesListEntry(entry.c_str(), list));
    if (entry.find(".\\") == std::string::npos) Require(IsStrictlySynchronised(entry.c_str(), list));
  }

  // Early stop after the first entry.
  std::size_t calls = 0;
  ForEachSectionEntry(buffer, size, [&calls](const std::string&) {
    ++calls;
    return false;
  });
  Require(calls == (list.empty() ? 0u : 1u));
  return 0;
}
