#include "config/list_matching.h"

#include <cstring>

#include "config/upper_case_1251.h"

namespace {

// Equal after upper-casing both sides, without copying either.
bool EqualUpperCase1251(const char* a, std::size_t length, const std::string& b) {
  if (b.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (UpperCase1251Char(static_cast<unsigned char>(a[i])) !=
        UpperCase1251Char(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool EqualsAnyEntry(const char* text, std::size_t length, const std::vector<std::string>& list) {
  for (const std::string& entry : list) {
    if (entry.size() == length && std::memcmp(entry.data(), text, length) == 0) return true;
  }
  return false;
}

// The position after the last ".\" in the text, or the text itself.
const char* AfterLastRootMarker(const char* path) {
  const char* rest = path;
  for (const char* p = path; p[0] != '\0'; ++p) {
    if (p[0] == '.' && p[1] == '\\') rest = p + 2;
  }
  return rest;
}

}  // namespace

bool MatchesListEntry(const char* path, const std::vector<std::string>& list) {
  const std::size_t length = std::strlen(path);
  for (const std::string& entry : list) {
    if (EqualUpperCase1251(path, length, entry)) return true;
  }
  return false;
}

bool IsStrictlySynchronised(const char* path, const std::vector<std::string>& strictList) {
  const char* rest = AfterLastRootMarker(path);
  if (EqualsAnyEntry(rest, std::strlen(rest), strictList)) return true;
  const char* firstSeparator = std::strchr(rest, '\\');
  if (firstSeparator == nullptr) return false;
  return EqualsAnyEntry(rest, static_cast<std::size_t>(firstSeparator - rest), strictList);
}
