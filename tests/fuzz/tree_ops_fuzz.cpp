// Source and target snapshots built from arbitrary bytes, pruned, compared
// and flattened as a run does it. The comparison is checked against a plain
// first-match model of the same rules; the work lists against what was left.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/file_time.h"
#include "model/limits.h"
#include "model/name_fold.h"
#include "model/snapshot.h"
#include "plan/registry.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Reads the fuzz input a byte at a time; zeros once it runs out.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

  // Short names from a few letters that fold together (Latin case) or must
  // not (Cyrillic case, Ё), so that names collide often.
  std::string Name() {
    static const char kLetters[] = {'a', 'A', 'b', 'B', '.', '\xB8', '\xA8', '\xE0', '\xC0', ' '};
    const std::size_t length = 1 + Next() % 3;
    std::string name;
    for (std::size_t i = 0; i < length; ++i) name += kLetters[Next() % sizeof(kLetters)];
    return name;
  }

  FileEntry File() {
    FileEntry entry;
    const std::string name = Name();
    std::memcpy(entry.name, name.c_str(), name.size() + 1);
    // Times a little apart: equal, within two seconds, or not.
    entry.lastWriteTime = {static_cast<std::uint32_t>(Next()) * 5000000u, Next() % 2u};
    entry.attributes = Next() % 2 ? kAttributeReadOnly : 0;
    return entry;
  }

  // A relative path of one to three names, sometimes behind a ".\".
  std::string Path() {
    std::string path = Next() % 4 == 0 ? ".\\" : "";
    const std::size_t parts = 1 + Next() % 3;
    for (std::size_t i = 0; i < parts; ++i) path += (i ? "\\" : "") + Name();
    return path;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void BuildSource(Bytes& bytes, DirNode* root) {
  std::vector<DirNode*> path = {root};
  for (int op = 0; op < 64 && !bytes.Done(); ++op) {
    switch (bytes.Next() % 5) {
      case 0:
        if (path.size() < 6) path.push_back(AppendChild(path.back(), CreateNode(bytes.Name().c_str())));
        break;
      case 1:
        if (path.size() > 1) path.pop_back();
        break;
      case 4:
        return;
      default:
        path.back()->record.entries.push_back(bytes.File());
    }
  }
}

// What a target scan makes of the clone: listed directories (under listed
// parents only) with their files, and target-only directories as childless
// DIR_EXTRA nodes whose names no clone has.
void FillTarget(Bytes& bytes, DirNode* node, bool parentListed) {
  const bool listed = parentListed && bytes.Next() % 4 != 0;
  if (listed) {
    node->record.ClearFlags(DIR_MISSING);
    const std::size_t files = bytes.Next() % 6;
    for (std::size_t i = 0; i < files; ++i) node->record.entries.push_back(bytes.File());
  }
  for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    if (!child->record.HasFlags(DIR_EXTRA)) FillTarget(bytes, child, listed);
  }
  if (listed && bytes.Next() % 3 == 0) {
    const std::string name = bytes.Name();
    if (FindChild(node, name.c_str()) == nullptr) {
      AppendChild(node, CreateNode(name.c_str()))->record.SetFlags(DIR_EXTRA);
    }
  }
}

struct Pair {
  DirNode* source;
  DirNode* target;
  bool targetListed;             // this directory and all above it
  std::vector<FileEntry> sourceFiles;  // before the comparison
  std::vector<FileEntry> targetFiles;
};

// The aligned directory pairs, in tree order, with their files as they are.
void CollectPairs(DirNode* source, DirNode* target, bool listed, std::vector<Pair>& pairs) {
  listed = listed && !target->record.HasFlags(DIR_MISSING);
  // A pair is one directory seen from both sides, never two different ones.
  Require(NamesMatch(source->record.name.c_str(), target->record.name.c_str()));
  Require(!target->record.HasFlags(DIR_EXTRA));
  pairs.push_back({source, target, listed, source->record.entries, target->record.entries});
  DirNode* targetChild = target->firstChild;
  for (DirNode* child = source->firstChild; child != nullptr && targetChild != nullptr;
       child = child->nextSibling, targetChild = targetChild->nextSibling) {
    CollectPairs(child, targetChild, listed, pairs);
  }
}

bool SameEntry(const FileEntry& a, const FileEntry& b) {
  return std::strcmp(a.name, b.name) == 0 && a.lastWriteTime.low == b.lastWriteTime.low &&
         a.lastWriteTime.high == b.lastWriteTime.high && a.attributes == b.attributes;
}

// The comparison of one listed pair, the slow and obvious way: each source
// file takes the first target file of a matching name not yet taken.
void CheckComparison(const Pair& pair) {
  std::vector<bool> taken(pair.targetFiles.size(), false);
  std::vector<FileEntry> kept;
  std::vector<bool> keptNew;
  for (const FileEntry& source : pair.sourceFiles) {
    std::size_t match = pair.targetFiles.size();
    for (std::size_t j = 0; j < pair.targetFiles.size(); ++j) {
      if (!taken[j] && NamesMatch(source.name, pair.targetFiles[j].name)) {
        match = j;
        break;
      }
    }
    if (match == pair.targetFiles.size()) {
      kept.push_back(source);
      keptNew.push_back(true);
      continue;
    }
    taken[match] = true;
    if (!SameWriteTime(source.lastWriteTime, pair.targetFiles[match].lastWriteTime)) {
      kept.push_back(source);
      keptNew.push_back(false);
    }
  }
  const std::vector<FileEntry>& sources = pair.source->record.entries;
  Require(sources.size() == kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    Require(SameEntry(sources[i], kept[i]) && sources[i].isNew == keptNew[i]);
  }
  const std::vector<FileEntry>& targets = pair.target->record.entries;
  std::size_t k = 0;
  for (std::size_t j = 0; j < pair.targetFiles.size(); ++j) {
    if (taken[j]) continue;
    Require(k < targets.size() && SameEntry(targets[k], pair.targetFiles[j]));
    ++k;
  }
  Require(k == targets.size());
}

std::size_t CountWork(const std::vector<DirRecord>& list) {
  std::size_t files = 0;
  for (const DirRecord& record : list) {
    Require(record.name.size() < kPathSize);
    Require(record.name.compare(0, 1, ".") == 0);
    Require(record.HasFlags(DIR_MISSING) || record.HasFlags(DIR_EXTRA) || !record.entries.empty());
    files += record.entries.size();
  }
  return files;
}

std::size_t CountFiles(const DirNode* node) {
  std::size_t files = node->record.entries.size();
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    files += CountFiles(child);
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  DirSnapshot source = CreateSnapshot();
  DirSnapshot target = CreateSnapshot();
  BuildSource(bytes, source.get());
  CloneStructure(target.get(), source.get());
  FillTarget(bytes, target.get(), true);

  // The rule lists' pruning: an update list, then paths removed from both.
  if (bytes.Next() % 3 == 0) {
    std::vector<std::string> updateList = {bytes.Path(), bytes.Path()};
    std::vector<std::string> ignoreList;
    FilterByUpdateList(source.get(), target.get(), "", updateList, ignoreList);
    for (const std::string& path : ignoreList) {
      RemovePath(source.get(), path.c_str());
      RemovePath(target.get(), path.c_str());
    }
  }
  for (std::size_t removals = bytes.Next() % 4; removals > 0; --removals) {
    const std::string path = bytes.Path();
    RemovePath(source.get(), path.c_str());
    RemovePath(target.get(), path.c_str());
  }

  // Check pairs: each side loses its own name.
  for (std::size_t checks = bytes.Next() % 3; checks > 0; --checks) {
    CheckPair pair;
    pair.targetName = bytes.Path();
    pair.sourceName = bytes.Path();
    RemoveCheckPair(source.get(), target.get(), pair);
  }

  std::vector<Pair> pairs;
  CollectPairs(source.get(), target.get(), true, pairs);
  CompareTrees(source.get(), target.get());
  for (const Pair& pair : pairs) {
    if (pair.targetListed) {
      CheckComparison(pair);
      Require(!pair.source->record.HasFlags(DIR_MISSING));
    } else {
      // Nothing to compare with: every file stays, new to the target.
      Require(pair.source->record.entries.size() == pair.sourceFiles.size());
      for (const FileEntry& entry : pair.source->record.entries) Require(entry.isNew);
    }
  }

  const std::size_t sourceFiles = CountFiles(source.get());
  const std::size_t targetFiles = CountFiles(target.get());
  std::vector<DirRecord> sourceWork;
  std::vector<DirRecord> targetWork;
  BuildWorkList(sourceWork, source.get(), "");
  BuildWorkList(targetWork, target.get(), "");
  Require(CountWork(sourceWork) == sourceFiles);
  Require(CountWork(targetWork) == targetFiles);
  Require(CountFiles(source.get()) == 0 && CountFiles(target.get()) == 0);
  return 0;
}
