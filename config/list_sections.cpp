#include "config/list_sections.h"

#include <utility>

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

std::string WithoutLeadingBackslashes(const std::string& text) {
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
