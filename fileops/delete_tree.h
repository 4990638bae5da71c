#pragma once
// Removes a file, or a directory with everything in it, for the removal of
// target-only directories and of [Вырезать] entries. Each failure is logged
// ("Ошибка <code> удаления файла/каталога") and counted; what could not be
// removed stays, and so do the directories above it. A path that is
// already gone is no failure. The run's stop request is honoured between
// items.
//
// Never reaches outside the tree: a directory link is removed as a link and
// never entered, a file link is replaced and never deleted through, an item
// whose name the code page cannot hold is left alone (logged and counted),
// a listing cut short removes nothing more of its directory, and the
// program's own files stay without a word.
#include <string>

#include "scan/directory_listing.h"

class SyncConfig;

// Whether files that [Пропустить существующие] names (by their path below
// the target directory) are kept, silently, with the directories around them.
enum class KeepSkippedFiles { No, Yes };

void DeleteTree(SyncConfig& config, const std::string& path, DirectoryLister& lister = SystemLister(),
                KeepSkippedFiles keepSkipped = KeepSkippedFiles::No);
