#include "config/list_sections.h"

#include <utility>

#include "config/full_path_entries.h"

std::size_t AppendSectionEntries(const char* buffer, std::size_t length,
                                 std::vector<std::string>& list) {
  const std::size_t before = list.size();
  ForEachSectionEntry(buffer, length, [&list](std::string entry) {
    list.push_back(std::move(entry));
    return true;
  });
  return list.size() - before;
}

namespace {

// A network path ("\\server\share...") keeps its two backslashes: it is
// a full path, not a relative one written with a backslash in front.
std::string WithoutLeadingBackslashes(const std::string& text) {
  if (IsFullPathEntry(text)) return text;
  const std::size_t first = text.find_first_not_of('\\');
  return first == std::string::npos ? std::string() : text.substr(first);
}

}  // namespace

bool ParseCheckPair(const std::string& line, CheckPair& pair) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  pair.targetName = WithoutLeadingBackslashes(line.substr(0, equals));
  pair.sourceName = WithoutLeadingBackslashes(line.substr(equals + 1));
  return true;
}
