#pragma once
// [Пропустить существующие]: files, such as settings the user changes, that
// the run copies only where the target lacks them. Once in the target they
// are the user's: never updated, whatever the times say, and never deleted
// by the deletion rules or the strict list.
#include <string>
#include <vector>

#include "model/snapshot.h"

// True when `relativePath` (from the root, no root marker) or a directory
// above it is named by `skipList` (whole paths, Windows-1251 case rules).
[[nodiscard]] bool IsSkippedIfExisting(const std::string& relativePath,
                                       const std::vector<std::string>& skipList);

// Applied after the comparison, before the work lists are built: a listed
// source file that the target has (by the snapshots' names) is not copied;
// one the target seems to lack is marked `onlyIfAbsent`, so that the copy
// leaves alone a file the file system says is there after all (another
// case of the same name). Listed target files leave the target snapshot:
// nothing deletes them.
void KeepExistingFiles(DirNode* source, DirNode* target, const std::vector<std::string>& skipList);
