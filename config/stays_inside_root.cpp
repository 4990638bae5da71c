#include "config/stays_inside_root.h"

namespace {

bool IsSeparator(char c) noexcept { return c == '\\' || c == '/'; }

}  // namespace

// A name from the ini file is data, not a path: "..", "." or "\" joined to
// the target names the target itself or something beside it, and the
// system drops trailing dots and spaces from a component, so "..." and ". "
// are read as "." or ".." too. Such a path is refused, never repaired.
bool StaysInsideRoot(const std::string& relativePath) noexcept {
  if (relativePath.empty() || IsSeparator(relativePath[0])) return false;
  if (relativePath.find(':') != std::string::npos) return false;
  std::size_t start = 0;
  while (start <= relativePath.size()) {
    std::size_t end = start;
    while (end < relativePath.size() && !IsSeparator(relativePath[end])) ++end;
    bool dotsAndSpacesOnly = end > start;
    for (std::size_t i = start; i < end && dotsAndSpacesOnly; ++i) {
      dotsAndSpacesOnly = relativePath[i] == '.' || relativePath[i] == ' ';
    }
    if (dotsAndSpacesOnly) return false;
    start = end + 1;
  }
  return true;
}
