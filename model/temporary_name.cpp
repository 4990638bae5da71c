#include "model/temporary_name.h"

#include <cstring>

namespace {

constexpr char kMarker[] = ".~velkarin";
constexpr char kAsideMarker[] = ".~velkarin-aside";

// Skips a run of 1 to 10 decimal digits (a 32-bit number) into `value`;
// null if none.
const char* SkipNumber(const char* at, unsigned long& value) {
  const char* start = at;
  value = 0;
  while (*at >= '0' && *at <= '9' && at - start < 10) value = value * 10 + static_cast<unsigned long>(*at++ - '0');
  return at == start ? nullptr : at;
}

// The marker's last place in `name` (the name before it may hold the marker
// too), or null.
const char* LastMarker(const char* name, const char* marker) {
  const char* last = nullptr;
  for (const char* at = std::strstr(name, marker); at != nullptr; at = std::strstr(at + 1, marker)) last = at;
  return last;
}

// True when `name` is a non-empty name, `marker`, digits, a hyphen, digits
// and nothing more; the original name's length and the first number go
// to the out parameters.
bool HasShape(const char* name, const char* marker, std::size_t& originalLength, unsigned long& processId) {
  const char* at = LastMarker(name, marker);
  if (at == nullptr || at == name) return false;
  originalLength = static_cast<std::size_t>(at - name);
  unsigned long attempt = 0;
  at = SkipNumber(at + std::strlen(marker), processId);
  if (at == nullptr || *at != '-') return false;
  at = SkipNumber(at + 1, attempt);
  return at != nullptr && *at == '\0';
}

std::string Suffix(const char* marker, unsigned long processId, unsigned attempt) {
  return marker + std::to_string(processId) + "-" + std::to_string(attempt);
}

std::size_t FileNameLength(const std::string& path) {
  const std::size_t separator = path.find_last_of('\\');
  return separator == std::string::npos ? path.size() : path.size() - separator - 1;
}

}  // namespace

std::string TemporaryNameFor(const std::string& path, unsigned long processId, unsigned attempt) {
  const std::string suffix = Suffix(kMarker, processId, attempt);
  const std::size_t nameLength = FileNameLength(path);
  if (nameLength + suffix.size() <= kMaxFileNameLength) return path + suffix;
  // Only the start of the name: what is cut is the end of the final name.
  const std::size_t keep = kMaxFileNameLength - suffix.size();
  return path.substr(0, path.size() - nameLength + keep) + suffix;
}

std::string AsideNameFor(const std::string& path, unsigned long processId, unsigned attempt) {
  const std::string suffix = Suffix(kAsideMarker, processId, attempt);
  if (FileNameLength(path) + suffix.size() > kMaxFileNameLength) return std::string();
  return path + suffix;
}

bool IsTemporaryName(const char* name, unsigned long* processId) {
  std::size_t originalLength = 0;
  unsigned long id = 0;
  if (!HasShape(name, kMarker, originalLength, id)) return false;
  if (processId != nullptr) *processId = id;
  return true;
}

bool IsAsideName(const char* name, std::string* original, unsigned long* processId) {
  std::size_t originalLength = 0;
  unsigned long id = 0;
  if (!HasShape(name, kAsideMarker, originalLength, id)) return false;
  if (original != nullptr) original->assign(name, originalLength);
  if (processId != nullptr) *processId = id;
  return true;
}
