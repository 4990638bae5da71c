#include "plan/registry.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "config/list_matching.h"
#include "model/file_time.h"
#include "model/name_fold.h"

namespace {

// Target names of one directory, looked up in constant time. Several target
// names may fold to the same key (a share on a case-sensitive file system);
// they are handed out first to last in listing order, each once, just as
// repeated first-match lookups with erasure would.
class TargetIndex {
 public:
  explicit TargetIndex(const std::vector<FileEntry>& entries) : next_(entries.size(), kNone) {
    first_.reserve(entries.size());
    std::unordered_map<std::string, std::size_t> tail;
    tail.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      std::string key = FoldedName(entries[i].name);
      const auto found = tail.find(key);
      if (found == tail.end()) {
        first_.emplace(key, i);
        tail.emplace(std::move(key), i);
      } else {
        next_[found->second] = i;
        found->second = i;
      }
    }
  }

  // The first unclaimed target entry whose name matches, claimed now; or kNone.
  std::size_t Claim(const char* name) {
    const auto found = first_.find(FoldedName(name));
    if (found == first_.end() || found->second == kNone) return kNone;
    const std::size_t index = found->second;
    found->second = next_[index];
    return index;
  }

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

 private:
  std::unordered_map<std::string, std::size_t> first_;
  std::vector<std::size_t> next_;
};

}  // namespace

namespace {

// Erases the files of `node` that the list does not name; true when any stays.
bool KeepListedFiles(DirNode* node, const std::string& relativePrefix,
                     const std::vector<std::string>& updateList) {
  if (node == nullptr) return false;
  std::vector<FileEntry>& entries = node->record.entries;
  std::string path;
  const auto unlisted = [&](const FileEntry& entry) {
    path = relativePrefix + entry.name;
    return !MatchesListEntry(path.c_str(), updateList);
  };
  entries.erase(std::remove_if(entries.begin(), entries.end(), unlisted), entries.end());
  return !entries.empty();
}

DirNode* FirstChild(DirNode* node) { return node != nullptr ? node->firstChild : nullptr; }

}  // namespace

bool FilterByUpdateList(DirNode* source, DirNode* target, const std::string& relativePrefix,
                        const std::vector<std::string>& updateList,
                        std::vector<std::string>& ignoreList) {
  // Both sides are filtered before either answers: a listed file on one
  // side must not spare the other side's unlisted files.
  const bool sourceListed = KeepListedFiles(source, relativePrefix, updateList);
  const bool targetListed = KeepListedFiles(target, relativePrefix, updateList);
  bool listed = sourceListed || targetListed;

  // One child directory seen from both sides (or from one, when the other
  // has no such directory): kept whole when listed itself, ignored on both
  // sides when nothing at or below it is listed on either side.
  std::string path;
  const auto visit = [&](DirNode* sourceChild, DirNode* targetChild) {
    const DirNode* named = sourceChild != nullptr ? sourceChild : targetChild;
    path = relativePrefix + named->record.name;
    if (MatchesListEntry(path.c_str(), updateList)) {
      listed = true;
      return;
    }
    const std::string childPath = path;
    if (FilterByUpdateList(sourceChild, targetChild, childPath + "\\", updateList, ignoreList)) {
      listed = true;
    } else {
      ignoreList.push_back(childPath);
    }
  };

  // The target's children begin with the clones of the source's children,
  // in the same order; after them come directories only the target has.
  // Pairing walks both chains in step and checks each name on the way.
  DirNode* sourceChild = FirstChild(source);
  for (DirNode* targetChild = FirstChild(target); targetChild != nullptr;
       targetChild = targetChild->nextSibling) {
    if (sourceChild != nullptr && NamesMatch(sourceChild->record.name.c_str(), targetChild->record.name.c_str())) {
      visit(sourceChild, targetChild);
      sourceChild = sourceChild->nextSibling;
    } else {
      visit(nullptr, targetChild);
    }
  }
  for (; sourceChild != nullptr; sourceChild = sourceChild->nextSibling) visit(sourceChild, nullptr);
  return listed;
}

namespace {

// The directory holding the item that `relativePath` names, with the item's
// own name in `name`; null when a directory on the way is missing or the
// path names no item.
DirNode* FindParent(DirNode* root, const char* relativePath, std::string& name) {
  name = relativePath;
  if (name.empty()) return nullptr;
  DirNode* node = root;
  for (std::size_t separator; (separator = name.find('\\')) != std::string::npos;) {
    node = FindChild(node, name.substr(0, separator).c_str());
    if (node == nullptr) return nullptr;
    name.erase(0, separator + 1);
    if (name.empty()) return nullptr;  // a path ending in a backslash names no item
  }
  return node;
}

bool NamesDirectory(DirNode* root, const std::string& relativePath) {
  std::string name;
  DirNode* parent = FindParent(root, relativePath.c_str(), name);
  return parent != nullptr && FindChild(parent, name.c_str()) != nullptr;
}

}  // namespace

void RemovePath(DirNode* root, const char* relativePath) {
  std::string rest;
  DirNode* node = FindParent(root, relativePath, rest);
  if (node == nullptr) return;
  if (DirNode* child = FindChild(node, rest.c_str())) {
    RemoveChild(node, child);
    return;
  }
  std::vector<FileEntry>& entries = node->record.entries;
  const auto file = std::find_if(entries.begin(), entries.end(), [&](const FileEntry& entry) {
    return NamesMatch(entry.name, rest.c_str());
  });
  if (file != entries.end()) entries.erase(file);
}

FileEntry* FindFileAt(DirNode* root, const std::string& relativePath) {
  std::string name;
  DirNode* parent = FindParent(root, relativePath.c_str(), name);
  return parent != nullptr ? FindEntry(parent->record, name.c_str()) : nullptr;
}

void RemoveCheckPair(DirNode* source, DirNode* target, const CheckPair& pair) {
  // The comparison walks the two trees' directories side by side. A
  // directory taken from one side only would pair each later directory
  // with its neighbour's clone, and files would be compared, kept or
  // deleted against the wrong directory.
  const auto take = [source, target](const std::string& name, DirNode* ownSide) {
    if (NamesDirectory(source, name) || NamesDirectory(target, name)) {
      RemovePath(source, name.c_str());
      RemovePath(target, name.c_str());
    } else {
      RemovePath(ownSide, name.c_str());
    }
  };
  take(pair.sourceName, source);
  take(pair.targetName, target);
}

namespace {

// Everything below a directory the target lacks is new to the target: the
// copy then leaves alone the attributes of files that cannot be there
// (resetting them would be one failed call per file).
void MarkSubtreeNew(DirNode* sourceNode) {
  for (FileEntry& entry : sourceNode->record.entries) entry.isNew = true;
  for (DirNode* child = sourceNode->firstChild; child != nullptr; child = child->nextSibling) {
    MarkSubtreeNew(child);
  }
}

}  // namespace

void CompareTrees(DirNode* sourceNode, DirNode* targetNode) {
  if (targetNode->record.HasFlags(DIR_MISSING)) {
    targetNode->record.ClearFlags(DIR_MISSING);
    MarkSubtreeNew(sourceNode);
    return;
  }
  sourceNode->record.ClearFlags(DIR_MISSING);
  CompareFiles(sourceNode->record, targetNode->record);
  DirNode* targetChild = targetNode->firstChild;
  for (DirNode* sourceChild = sourceNode->firstChild; sourceChild != nullptr && targetChild != nullptr;
       sourceChild = sourceChild->nextSibling, targetChild = targetChild->nextSibling) {
    CompareTrees(sourceChild, targetChild);
  }
}

void CompareFiles(DirRecord& sourceRecord, DirRecord& targetRecord) {
  std::vector<FileEntry>& sources = sourceRecord.entries;
  std::vector<FileEntry>& targets = targetRecord.entries;
  if (sources.empty()) return;
  TargetIndex index(targets);
  std::vector<bool> targetMatched(targets.size(), false);
  // Unchanged source files and matched target files are erased in one pass
  // each, after the lookups: erasing inside the loop would be quadratic.
  std::size_t keptSources = 0;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    FileEntry& source = sources[i];
    const std::size_t match = index.Claim(source.name);
    if (match == TargetIndex::kNone) {
      source.isNew = true;
    } else {
      targetMatched[match] = true;
      source.isNew = false;
      // A link where the source has a file is replaced by the file, whatever
      // its time says: the target must hold the file itself.
      source.targetIsLink = (targets[match].attributes & kAttributeReparsePoint) != 0;
      if (!source.targetIsLink && SameFile(source.lastWriteTime, ComparableSize(source),
                                           targets[match].lastWriteTime, targets[match].size)) {
        continue;
      }
    }
    if (keptSources != i) sources[keptSources] = source;
    ++keptSources;
  }
  sources.resize(keptSources);
  std::size_t keptTargets = 0;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (targetMatched[i]) continue;
    if (keptTargets != i) targets[keptTargets] = targets[i];
    ++keptTargets;
  }
  targets.resize(keptTargets);
}

namespace {

bool AsksForWork(const DirRecord& record) {
  return record.HasFlags(DIR_MISSING) || record.HasFlags(DIR_EXTRA) || !record.entries.empty();
}

std::size_t CountWorkRecords(const DirNode* node) {
  std::size_t count = AsksForWork(node->record) ? 1 : 0;
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    count += CountWorkRecords(child);
  }
  return count;
}

void AppendWorkRecords(std::vector<DirRecord>& list, DirNode* node, const std::string& parentPath) {
  const std::string path = parentPath.empty() ? node->record.name : parentPath + "\\" + node->record.name;
  DirRecord& record = node->record;
  // A relative path that does not fit the record's name could only name the
  // wrong directory; it is left out (listing calls cannot reach such depths).
  if (AsksForWork(record) && path.size() < kPathSize) {
    DirRecord& copy = list.emplace_back(path.c_str());
    copy.flags = record.flags;
    copy.entries = std::move(record.entries);
    record.entries = std::vector<FileEntry>();
  }
  for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    AppendWorkRecords(list, child, path);
  }
}

}  // namespace

// The list is sized once: grown record by record, a list of a million
// directories would for a moment hold its old block and one twice as big.
void BuildWorkList(std::vector<DirRecord>& list, DirNode* node, const std::string& parentPath) {
  list.reserve(list.size() + CountWorkRecords(node));
  AppendWorkRecords(list, node, parentPath);
}
