#include "plan/own_files.h"

#include "config/upper_case_1251.h"
#include "win32/extended_path.h"

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperCase1251Char(static_cast<unsigned char>(a[i])) !=
        UpperCase1251Char(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsOwnFile(const std::vector<std::string>& ownFiles, const std::string& path) {
  if (ownFiles.empty()) return false;
  std::string plain = path;
  RemoveRootMarker(plain);
  for (const std::string& own : ownFiles) {
    if (SameIgnoringCase(plain, own)) return true;
  }
  return false;
}
