#pragma once
// Turning the text of one ini section, as the ini reader gives it
// (zero-terminated lines one after another), into list entries.
#include <cstddef>
#include <string>
#include <vector>

#include "config/check_pair.h"

// Whether the line that starts at `line` is an entry of its list: not empty
// and not a "#" comment.
[[nodiscard]] inline bool IsSectionEntry(const char* line) { return line[0] != '\0' && line[0] != '#'; }

// Calls `take` with every line of the first `length` bytes of `buffer` that
// is not empty and does not begin with "#", whole and unchanged, in order.
// Stops at `length` even inside a line. `take` returns false to stop early.
template <typename Take>
void ForEachSectionEntry(const char* buffer, std::size_t length, Take take) {
  std::size_t at = 0;
  while (at < length) {
    if (buffer[at] == '\0') {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < length && buffer[end] != '\0') ++end;
    if (IsSectionEntry(buffer + at) && !take(std::string(buffer + at, end - at))) return;
    at = end + 1;
  }
}

// Appends the section's entries to `list`; returns how many were appended.
std::size_t AppendSectionEntries(const char* buffer, std::size_t length,
                                 std::vector<std::string>& list);

// Parses "target name=source name": cut at the first "=", leading
// backslashes dropped from both halves unless a half is a network path
// ("\\server\share..."). False when the line has no "=".
[[nodiscard]] bool ParseCheckPair(const std::string& line, CheckPair& pair);
