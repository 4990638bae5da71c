#include "plan/skip_existing.h"

#include <algorithm>

#include "config/list_matching.h"

bool IsSkippedIfExisting(const std::string& relativePath, const std::vector<std::string>& skipList) {
  if (skipList.empty()) return false;
  // The path itself, then each directory above it.
  for (std::size_t end = relativePath.size(); end != std::string::npos && end > 0;
       end = relativePath.rfind('\\', end - 1)) {
    if (MatchesListEntry(relativePath.substr(0, end).c_str(), skipList)) return true;
  }
  return false;
}

namespace {

// `covered`: a directory above names the whole subtree.
void KeepIn(DirNode* node, const std::string& prefix, bool covered, bool isSource,
            const std::vector<std::string>& skipList) {
  std::vector<FileEntry>& entries = node->record.entries;
  std::string path;
  const auto listed = [&](const FileEntry& entry) {
    if (covered) return true;
    path = prefix + entry.name;
    return MatchesListEntry(path.c_str(), skipList);
  };
  if (isSource) {
    for (FileEntry& entry : entries) {
      if (listed(entry)) entry.onlyIfAbsent = true;
    }
    // What the target has is the user's: not copied over.
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const FileEntry& entry) { return entry.onlyIfAbsent && !entry.isNew; }),
                  entries.end());
  } else {
    entries.erase(std::remove_if(entries.begin(), entries.end(), listed), entries.end());
  }
  for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    const std::string childPath = prefix + child->record.name;
    KeepIn(child, childPath + "\\", covered || MatchesListEntry(childPath.c_str(), skipList), isSource,
           skipList);
  }
}

}  // namespace

void KeepExistingFiles(DirNode* source, DirNode* target, const std::vector<std::string>& skipList) {
  if (skipList.empty()) return;
  KeepIn(source, "", false, true, skipList);
  KeepIn(target, "", false, false, skipList);
}
