#pragma once
// What a run will do in the target, decided before anything is done: the
// comparison's work lists and the rule lists turned into actions. `/l`
// writes each action's line, the progress window counts them, and the act
// phase does them; the three read the same actions, so they cannot
// disagree. An action names its item by index into the lists it was made
// from (the plan's own, the work lists, the pairs, the leftovers): a plan
// of a million files costs twelve bytes per file more.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/snapshot.h"
#include "ui/progress_measure.h"

enum class ActionKind : std::uint8_t {
  RemoveCutEntry,   // a [Вырезать] entry: Plan::cutPaths[item]
  TidyLeftover,     // a leftover of an earlier run: the target scan's leftovers[item]
  RemoveDirectory,  // a target-only directory, whole: targetWorkList[item]
  RemoveFile,       // a target-only file: targetWorkList[item].entries[entry]
  CreateDirectory,  // a directory the target lacks: sourceWorkList[item]
  CopyFile,         // a new or changed file: sourceWorkList[item].entries[entry]
  CopyPair,         // checkPairs[item], copied when its two files' times differ
};

struct Action {
  ActionKind kind;
  std::uint32_t item = 0;
  std::uint32_t entry = 0;
};

struct Plan {
  // Full paths of the [Вырезать] entries to delete, in list order.
  std::vector<std::string> cutPaths;
  // Done first, before the copy phase starts: cut entries, then leftovers.
  std::vector<Action> tidying;
  // The copy phase, in order: removals, then new directories and copies
  // (each directory before its files), then the pairs.
  std::vector<Action> work;
};

// Whether the phase removes the target-only file at `path` (the target
// directory, the record's name, a backslash, the file's name).
[[nodiscard]] bool RemovesTargetOnlyFile(bool deleteUnneeded, const std::vector<std::string>& strictList,
                                         const std::string& path);

// What the rules decide for the work lists, appended to `work`: a whole
// target-only directory is one removal; a target-only file is removed only
// when [УдалятьНенужныеФайлы] or [СтрогоСинхронизировать] asks; the
// program's own files (`ownFiles`) are neither removed nor copied over.
// `targetDir` ends with a backslash.
struct WorkRules {
  const std::string& targetDir;
  bool deleteUnneeded;
  const std::vector<std::string>& strictList;
  const std::vector<std::string>& ownFiles;
};
void PlanWork(std::vector<Action>& work, const std::vector<DirRecord>& sourceWorkList,
              const std::vector<DirRecord>& targetWorkList, std::size_t pairs, const WorkRules& rules);

// What the progress window counts: each removal, copy and pair is an item,
// and each copy weighs its listed size besides; a new directory is neither.
[[nodiscard]] WorkTotals CountWork(const std::vector<Action>& work, const std::vector<DirRecord>& sourceWorkList);

// Whether an action is one the progress window counts as an item.
[[nodiscard]] bool IsCountedItem(ActionKind kind) noexcept;
