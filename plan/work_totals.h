#pragma once
// What the copy, update and delete phase will do, counted once from the
// work lists: the items the phase visits (every file to copy with its
// listed size, every removal, every file pair) and the bytes to copy. The
// sizes are the listing's: no request per file, nothing kept per file.
#include <cstddef>
#include <string>
#include <vector>

#include "model/snapshot.h"
#include "ui/progress_measure.h"

// Whether the phase removes the target-only file at `path` (the target
// directory, the record's name, a backslash, the file's name). The phase
// asks this for each such file and the count asks it too, so the two
// cannot disagree.
[[nodiscard]] bool RemovesTargetOnlyFile(bool deleteUnneeded, const std::vector<std::string>& strictList,
                                         const std::string& path);

// A whole target-only directory is one removal; a file the phase will
// leave (neither [УдалятьНенужныеФайлы] nor [СтрогоСинхронизировать] asks
// for it) is none. `targetDir` ends with a backslash.
[[nodiscard]] WorkTotals CountWork(const std::vector<DirRecord>& sourceWorkList,
                                   const std::vector<DirRecord>& targetWorkList, std::size_t pairs,
                                   const std::string& targetDir, bool deleteUnneeded,
                                   const std::vector<std::string>& strictList);
