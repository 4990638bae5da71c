#include "scan/scan.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_set>
#include <vector>

#include "config/list_matching.h"
#include "config/sync_config.h"
#include "log/logs.h"
#include "model/name_fold.h"
#include "model/temporary_name.h"
#include "scan/left_out.h"
#include "scan/link_loops.h"
#include "win32/handles.h"

namespace {

FileEntry MakeFileEntry(const ListedItem& item) {
  FileEntry entry;
  entry.attributes = item.attributes;
  entry.lastWriteTime = item.lastWriteTime;
  entry.size = item.size;
  static_assert(sizeof(entry.name) == sizeof(item.name), "the listing's name field");
  std::memcpy(entry.name, item.name, sizeof(entry.name));
  return entry;
}

void ReportUnlistable(SyncConfig& config, DWORD error, const std::string& directoryPath) {
  ++config.errorCount;
  ErrorLog() << "Ошибка " << error << " чтения каталога \"" << directoryPath << "\"" << EndLine;
}


// Windows' own codes for the two links a walk refuses: one that leads back
// to a directory the walk is already in, and one in the target that the run
// may not go through.
constexpr DWORD kLinkLoop = ERROR_CANT_RESOLVE_FILENAME;  // 1921
constexpr DWORD kLinkInTarget = 4395;                     // ERROR_REPARSE_POINT_ENCOUNTERED

bool IsLink(const ListedItem& item) { return (item.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool IsDirectory(const ListedItem& item) { return (item.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// A file a run was copying into when it ended before renaming it into
// place, or the old version of a file in use that a run renamed aside (see
// temporary_name.h): only ever a file, and only of the exact name.
bool IsRunTemporary(const ListedItem& item) { return !IsDirectory(item) && IsTemporaryName(item.name); }
bool IsRunAsideFile(const ListedItem& item) { return !IsDirectory(item) && IsAsideName(item.name); }

// Notes a leftover of an earlier run for the act phase, which removes it
// whatever the deletion setting (it was never the user's), or moves an
// aside file back when nothing has taken its original name: the client
// would otherwise lack the file until a copy succeeds. `items`: the whole
// listing of the directory; `claimed`: original names already given to an
// aside file of it, so that only one is ever moved back.
void NoteLeftover(SyncConfig& config, const std::string& directoryPath, const ListedItem& item,
                  const std::vector<ListedItem>& items, std::vector<std::string>& claimed) {
  LeftoverFile leftover{directoryPath + item.name, item.attributes, {}};
  std::string original;
  if (IsAsideName(item.name, &original)) {
    const auto named = [&original](const char* name) { return NamesMatch(name, original.c_str()); };
    const bool taken =
        std::any_of(items.begin(), items.end(), [&](const ListedItem& other) { return named(other.name); }) ||
        std::any_of(claimed.begin(), claimed.end(), [&](const std::string& name) { return named(name.c_str()); });
    if (!taken) {
      claimed.push_back(original);
      leftover.moveBackTo = directoryPath + original;
    }
  }
  config.leftovers.push_back(std::move(leftover));
}

// Target names of one directory that the file system takes for one: only
// a case-sensitive file system can hold both, and every call would reach
// the same one of them. The later one is left out of the run, named in the
// error log, and counted when the run would have deleted it.
class RepeatedTargetNames {
 public:
  bool Repeats(const char* name) { return !seen_.insert(FoldedName(name)).second; }

 private:
  std::unordered_set<std::string> seen_;
};

// Each recursion level lists into a list of its own, kept for the next
// directory at that depth. A deque: a deeper level added while a shallower
// one is being walked must not move it.
using ListingLevels = std::deque<std::vector<ListedItem>>;

std::vector<ListedItem>& LevelAt(ListingLevels& levels, std::size_t depth) {
  if (levels.size() <= depth) levels.resize(depth + 1);
  return levels[depth];
}

// Files go into the record in one exactly sized block: growing the record's
// vector file by file would leave the heap holding every outgrown block.
void ReserveFiles(DirRecord& record, const std::vector<ListedItem>& items) {
  std::size_t files = 0;
  for (const ListedItem& item : items) files += IsDirectory(item) ? 0 : 1;
  record.entries.reserve(record.entries.size() + files);
}

struct Walk {
  SyncConfig& config;
  DirectoryLister& lister;
  ListingLevels levels;
};

bool ScanSourceAt(Walk& walk, DirNode* node, const std::string& directoryPath,
                  const std::string& relativePrefix, std::size_t depth) {
  SyncConfig& config = walk.config;
  if (config.StopRequested()) return true;  // the driver stops before deciding anything
  std::vector<ListedItem>& items = LevelAt(walk.levels, depth);
  const ListingResult listing = walk.lister.List(directoryPath, items);
  // "Not found" for a pattern in an existing directory means no items at
  // all (the root of an empty drive); any other failure, and a listing cut
  // short, is a directory that could not be read.
  if (listing.end == ListingEnd::NotOpened && listing.error == ERROR_FILE_NOT_FOUND) return true;
  if (listing.end != ListingEnd::Complete) {
    ReportUnlistable(config, listing.error, directoryPath);
    return false;
  }
  ReserveFiles(node->record, items);
  for (const ListedItem& item : items) {
    const std::string relativePath = relativePrefix + item.name;
    if (MatchesListEntry(relativePath.c_str(), config.ignoreList)) continue;
    if (!item.nameExact) {
      ReportUnrepresentableName(config, directoryPath, item, true);  // it would be copied
      continue;
    }
    // A run's unfinished copy or an old file it renamed aside, never a file
    // of the release.
    if (IsRunTemporary(item) || IsRunAsideFile(item)) continue;
    if (!IsDirectory(item)) {
      node->record.entries.push_back(MakeFileEntry(item));
      continue;
    }
    const std::string childPath = directoryPath + item.name + "\\";
    if (IsLink(item) && LinkLeadsBack(childPath, directoryPath, relativePrefix)) {
      // Unlistable, as far as the run is concerned: left out of both sides.
      ReportUnlistable(config, kLinkLoop, childPath);
      config.ignoreList.push_back(relativePath);
      continue;
    }
    DirNode* child = AppendChild(node, CreateNode(item.name));
    if (!ScanSourceAt(walk, child, childPath, relativePath + "\\", depth + 1)) {
      RemoveChild(node, child);
      config.ignoreList.push_back(relativePath);
    }
  }
  return true;
}

// False when the directory's listing began and was cut short: the caller
// leaves the directory out of both sides.
bool ScanTargetAt(Walk& walk, DirNode* node, const std::string& directoryPath,
                  const std::string& relativePrefix, std::size_t depth) {
  SyncConfig& config = walk.config;
  if (config.StopRequested()) return true;
  std::vector<ListedItem>& items = LevelAt(walk.levels, depth);
  const ListingResult listing = walk.lister.List(directoryPath, items);
  if (listing.end == ListingEnd::NotOpened) return true;  // absent: keeps DIR_MISSING
  if (listing.end == ListingEnd::CutShort) {
    ReportUnlistable(config, listing.error, directoryPath);
    return false;
  }
  node->record.ClearFlags(DIR_MISSING);
  ReserveFiles(node->record, items);
  std::vector<std::string> claimedOriginals;
  RepeatedTargetNames repeated;
  for (const ListedItem& item : items) {
    const std::string relativePath = relativePrefix + item.name;
    if (MatchesListEntry(relativePath.c_str(), config.ignoreList)) continue;
    if (!item.nameExact) {
      // The source cannot hold the same name in a form the run can use, so
      // the item is the target's alone: the run would act on it only to
      // delete it.
      const bool wouldDelete =
          config.deleteUnneeded || IsStrictlySynchronised(relativePath.c_str(), config.strictList);
      ReportUnrepresentableName(config, directoryPath, item, wouldDelete);
      continue;
    }
    if (IsRunTemporary(item) || IsRunAsideFile(item)) {
      NoteLeftover(config, directoryPath, item, items, claimedOriginals);
      continue;
    }
    if (repeated.Repeats(item.name)) {
      const bool wouldDelete =
          config.deleteUnneeded || IsStrictlySynchronised(relativePath.c_str(), config.strictList);
      ReportRepeatedName(config, directoryPath, item.name, wouldDelete);
      continue;
    }
    if (!IsDirectory(item)) {
      node->record.entries.push_back(MakeFileEntry(item));
      continue;
    }
    DirNode* child = FindChild(node, item.name);
    if (child != nullptr && IsLink(item)) {
      // Copying into it or deleting in it would change what lies outside
      // the target: the directory is left out of the run on both sides.
      ReportUnlistable(config, kLinkInTarget, directoryPath + item.name + "\\");
      config.ignoreList.push_back(relativePath);
    } else if (child != nullptr) {
      const std::string childPath = directoryPath + item.name + "\\";
      if (!ScanTargetAt(walk, child, childPath, relativePath + "\\", depth + 1)) {
        config.ignoreList.push_back(relativePath);
      }
    } else if (config.deleteUnneeded ||
               IsStrictlySynchronised(relativePath.c_str(), config.strictList)) {
      // Only in the target and to be removed: kept as one childless node,
      // never entered.
      AppendChild(node, CreateNode(item.name))->record.SetFlags(DIR_EXTRA);
    }
  }
  return true;
}

}  // namespace

bool ScanSource(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                const std::string& relativePrefix, DirectoryLister& lister) {
  Walk walk{config, lister, {}};
  return ScanSourceAt(walk, node, directoryPath, relativePrefix, 0);
}

bool ScanTarget(SyncConfig& config, DirNode* node, const std::string& directoryPath,
                const std::string& relativePrefix, DirectoryLister& lister) {
  Walk walk{config, lister, {}};
  return ScanTargetAt(walk, node, directoryPath, relativePrefix, 0);
}

void ReportRepeatedName(SyncConfig& config, const std::string& directoryPath, const char* name,
                        bool runWouldAct) {
  if (runWouldAct) ++config.errorCount;
  ErrorLog() << "Ошибка " << kNameRepeated << " чтения имени \"" << directoryPath << name
             << "\": такое имя без учета регистра уже есть в каталоге" << EndLine;
}

void ReportUnrepresentableName(SyncConfig& config, const std::string& directoryPath,
                               const ListedItem& item, bool runWouldAct) {
  if (runWouldAct) ++config.errorCount;
  ErrorLog() << "Ошибка " << kNameNotRepresentable << " чтения имени \"" << directoryPath
             << item.name << "\"" << EndLine;
}

// A share on a case-sensitive file system (or a listing made there) may
// hold names the target can hold only one of: "sub" and "SUB" would be
// written to one directory. The first stays; each later one is an error.
void LeaveOutRepeatedSourceNames(SyncConfig& config, DirNode* source) {
  std::vector<RepeatedName> repeated;
  LeaveOutRepeatedNames(source, "", repeated);
  for (const RepeatedName& item : repeated) {
    const std::size_t separator = item.path.find_last_of('\\');
    const std::string directory =
        std::string(config.sourceDir) + (separator == std::string::npos ? "" : item.path.substr(0, separator + 1));
    const std::string name = separator == std::string::npos ? item.path : item.path.substr(separator + 1);
    ReportRepeatedName(config, directory, name.c_str(), true);
  }
}
