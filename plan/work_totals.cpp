#include "plan/work_totals.h"

#include "config/list_matching.h"

bool RemovesTargetOnlyFile(bool deleteUnneeded, const std::vector<std::string>& strictList,
                           const std::string& path) {
  return deleteUnneeded || IsStrictlySynchronised(path.c_str(), strictList);
}

WorkTotals CountWork(const std::vector<DirRecord>& sourceWorkList, const std::vector<DirRecord>& targetWorkList,
                     std::size_t pairs, const std::string& targetDir, bool deleteUnneeded,
                     const std::vector<std::string>& strictList) {
  WorkTotals totals;
  for (const DirRecord& record : sourceWorkList) {
    totals.items += record.entries.size();
    for (const FileEntry& entry : record.entries) totals.bytes += entry.size;
  }
  std::string path;  // one buffer for every name asked about
  for (const DirRecord& record : targetWorkList) {
    if (record.HasFlags(DIR_EXTRA)) {
      ++totals.items;
      continue;
    }
    if (deleteUnneeded) {
      totals.items += record.entries.size();
      continue;
    }
    if (strictList.empty()) continue;
    for (const FileEntry& entry : record.entries) {
      path.assign(targetDir).append(record.name).append("\\").append(entry.name);
      if (RemovesTargetOnlyFile(deleteUnneeded, strictList, path)) ++totals.items;
    }
  }
  totals.items += pairs;
  return totals;
}
