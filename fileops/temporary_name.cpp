#include "fileops/temporary_name.h"

#include <cstring>

namespace {

constexpr char kMarker[] = ".~velkarin";
constexpr std::size_t kMarkerLength = sizeof(kMarker) - 1;

// Skips a run of 1 to 10 decimal digits (a 32-bit number); null if none.
const char* SkipNumber(const char* at) {
  const char* start = at;
  while (*at >= '0' && *at <= '9' && at - start < 10) ++at;
  return at == start ? nullptr : at;
}

}  // namespace

std::string TemporaryNameFor(const std::string& path, unsigned long processId, unsigned attempt) {
  return path + kMarker + std::to_string(processId) + "-" + std::to_string(attempt);
}

bool IsTemporaryName(const char* name) {
  // The last marker: the name before it may hold the marker too.
  const char* marker = nullptr;
  for (const char* at = std::strstr(name, kMarker); at != nullptr; at = std::strstr(at + 1, kMarker)) {
    marker = at;
  }
  if (marker == nullptr || marker == name) return false;
  const char* at = SkipNumber(marker + kMarkerLength);
  if (at == nullptr || *at != '-') return false;
  at = SkipNumber(at + 1);
  return at != nullptr && *at == '\0';
}
