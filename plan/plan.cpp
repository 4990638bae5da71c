#include "plan/plan.h"

#include "config/list_matching.h"
#include "plan/own_files.h"

bool RemovesTargetOnlyFile(bool deleteUnneeded, const std::vector<std::string>& strictList,
                           const std::string& path) {
  return deleteUnneeded || IsStrictlySynchronised(path.c_str(), strictList);
}

namespace {

std::uint32_t Index(std::size_t i) { return static_cast<std::uint32_t>(i); }

void PlanRemovals(std::vector<Action>& work, const std::vector<DirRecord>& targetWorkList, const WorkRules& rules) {
  std::string path;  // one buffer for every name asked about
  for (std::size_t r = 0; r < targetWorkList.size(); ++r) {
    const DirRecord& record = targetWorkList[r];
    if (record.HasFlags(DIR_EXTRA)) {
      work.push_back({ActionKind::RemoveDirectory, Index(r)});
      continue;
    }
    if (!rules.deleteUnneeded && rules.strictList.empty()) continue;
    for (std::size_t e = 0; e < record.entries.size(); ++e) {
      path.assign(rules.targetDir).append(record.name).append("\\").append(record.entries[e].name);
      if (!RemovesTargetOnlyFile(rules.deleteUnneeded, rules.strictList, path)) continue;
      if (IsOwnFile(rules.ownFiles, path)) continue;
      work.push_back({ActionKind::RemoveFile, Index(r), Index(e)});
    }
  }
}

void PlanCopies(std::vector<Action>& work, const std::vector<DirRecord>& sourceWorkList, const WorkRules& rules) {
  std::string path;
  for (std::size_t r = 0; r < sourceWorkList.size(); ++r) {
    const DirRecord& record = sourceWorkList[r];
    if (record.HasFlags(DIR_MISSING)) work.push_back({ActionKind::CreateDirectory, Index(r)});
    for (std::size_t e = 0; e < record.entries.size(); ++e) {
      if (!rules.ownFiles.empty()) {
        path.assign(rules.targetDir).append(record.name).append("\\").append(record.entries[e].name);
        if (IsOwnFile(rules.ownFiles, path)) continue;
      }
      work.push_back({ActionKind::CopyFile, Index(r), Index(e)});
    }
  }
}

}  // namespace

void PlanWork(std::vector<Action>& work, const std::vector<DirRecord>& sourceWorkList,
              const std::vector<DirRecord>& targetWorkList, std::size_t pairs, const WorkRules& rules) {
  // Sized once, at most one action per record and per entry: no doubling
  // of a large plan on the way.
  std::size_t most = work.size() + pairs;
  for (const auto* list : {&targetWorkList, &sourceWorkList}) {
    for (const DirRecord& record : *list) most += 1 + record.entries.size();
  }
  work.reserve(most);
  PlanRemovals(work, targetWorkList, rules);
  PlanCopies(work, sourceWorkList, rules);
  for (std::size_t p = 0; p < pairs; ++p) work.push_back({ActionKind::CopyPair, Index(p)});
}

bool IsCountedItem(ActionKind kind) noexcept {
  return kind == ActionKind::RemoveDirectory || kind == ActionKind::RemoveFile || kind == ActionKind::CopyFile ||
         kind == ActionKind::CopyPair;
}

WorkTotals CountWork(const std::vector<Action>& work, const std::vector<DirRecord>& sourceWorkList) {
  WorkTotals totals;
  for (const Action& action : work) {
    if (!IsCountedItem(action.kind)) continue;
    ++totals.items;
    if (action.kind == ActionKind::CopyFile) totals.bytes += sourceWorkList[action.item].entries[action.entry].size;
  }
  return totals;
}
