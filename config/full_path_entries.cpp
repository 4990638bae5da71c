#include "config/full_path_entries.h"

#include <algorithm>

#include "config/upper_case_1251.h"

namespace {

bool SameChar(char a, char b, RootCase rule) {
  const auto ua = static_cast<unsigned char>(a);
  const auto ub = static_cast<unsigned char>(b);
  switch (rule) {
    case RootCase::Exact:
      return ua == ub;
    case RootCase::Ascii:
      return (ua >= 'A' && ua <= 'Z' ? ua - 'A' + 'a' : ua) == (ub >= 'A' && ub <= 'Z' ? ub - 'A' + 'a' : ub);
    case RootCase::Windows1251:
      return UpperCase1251Char(ua) == UpperCase1251Char(ub);
  }
  return false;
}

}  // namespace

bool IsFullPathEntry(const std::string& entry) {
  if (entry.size() >= 3 && entry[1] == ':' && entry[2] == '\\') return true;
  // "\\server\share": a server name and something after it.
  if (entry.size() < 5 || entry[0] != '\\' || entry[1] != '\\' || entry[2] == '\\') return false;
  const std::size_t shareStart = entry.find('\\', 2);
  return shareStart != std::string::npos && shareStart + 1 < entry.size() && entry[shareStart + 1] != '\\';
}

bool RelativeToRoot(const std::string& entry, const std::string& root, RootCase rule,
                    std::string& relative) {
  if (root.empty() || root.back() != '\\' || !IsFullPathEntry(entry)) return false;
  // The root itself, written with or without its final backslash.
  const std::size_t rootLength = root.size() - 1;
  if (entry.size() < rootLength) return false;
  for (std::size_t i = 0; i < rootLength; ++i) {
    if (!SameChar(entry[i], root[i], rule)) return false;
  }
  if (entry.size() > rootLength && entry[rootLength] != '\\') return false;  // "C:\tgt2" is not in "C:\tgt\"
  relative = entry.substr(std::min(entry.size(), rootLength + 1));
  while (!relative.empty() && relative.back() == '\\') relative.pop_back();
  return true;
}

bool RelativeToEitherRoot(const std::string& entry, const std::string& sourceRoot,
                          const std::string& targetRoot, RootCase rule, std::string& relative) {
  std::string fromSource;
  std::string fromTarget;
  const bool inSource = RelativeToRoot(entry, sourceRoot, rule, fromSource);
  const bool inTarget = RelativeToRoot(entry, targetRoot, rule, fromTarget);
  if (!inSource && !inTarget) return false;
  // One root inside the other: the deeper root is the one meant.
  const bool useTarget = inTarget && (!inSource || targetRoot.size() >= sourceRoot.size());
  relative = useTarget ? fromTarget : fromSource;
  return true;
}

std::vector<std::string> RelativiseFullPathEntries(std::vector<std::string>& list,
                                                   const std::string& sourceRoot,
                                                   const std::string& targetRoot, RootCase rule) {
  std::vector<std::string> outside;
  for (std::string& entry : list) {
    if (!IsFullPathEntry(entry)) continue;
    std::string relative;
    if (RelativeToEitherRoot(entry, sourceRoot, targetRoot, rule, relative)) {
      entry = relative;
    } else {
      outside.push_back(entry);
    }
  }
  return outside;
}
