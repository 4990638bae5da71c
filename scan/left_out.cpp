#include "scan/left_out.h"

#include <algorithm>
#include <unordered_map>

#include "config/list_matching.h"
#include "model/name_fold.h"

void LeaveOutIgnored(DirNode* node, const std::string& relativePrefix,
                     const std::vector<std::string>& ignoreList) {
  if (ignoreList.empty()) return;
  std::vector<FileEntry>& entries = node->record.entries;
  std::string path;
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const FileEntry& entry) {
                                 path = relativePrefix + entry.name;
                                 return MatchesListEntry(path.c_str(), ignoreList);
                               }),
                entries.end());
  for (DirNode* child = node->firstChild; child != nullptr;) {
    DirNode* next = child->nextSibling;
    path = relativePrefix + child->record.name;
    if (MatchesListEntry(path.c_str(), ignoreList)) {
      RemoveChild(node, child);
    } else {
      LeaveOutIgnored(child, path + "\\", ignoreList);
    }
    child = next;
  }
}

void LeaveOutRepeatedNames(DirNode* node, const std::string& relativePrefix,
                           std::vector<RepeatedName>& repeated) {
  std::unordered_map<std::string, std::string> seen;  // folded name -> the name kept
  const auto isRepeat = [&](const char* name) {
    const auto [kept, inserted] = seen.emplace(FoldedName(name), name);
    if (inserted) return false;
    repeated.push_back({relativePrefix + name, kept->second});
    return true;
  };
  std::vector<FileEntry>& entries = node->record.entries;
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const FileEntry& entry) { return isRepeat(entry.name); }),
                entries.end());
  for (DirNode* child = node->firstChild; child != nullptr;) {
    DirNode* next = child->nextSibling;
    if (isRepeat(child->record.name.c_str())) {
      RemoveChild(node, child);
    } else {
      LeaveOutRepeatedNames(child, relativePrefix + child->record.name + "\\", repeated);
    }
    child = next;
  }
}
