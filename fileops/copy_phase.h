#pragma once
// Applying the work lists to the target: removals first, then new
// directories and file copies, then the file pairs. Every action goes to
// StatsLog, every failure to ErrorLog and the error count; the run goes on
// with the next item.
class SyncConfig;

// The deletion pass over targetWorkList, then the creation and copy pass
// over sourceWorkList.
void ApplyRegistry(SyncConfig& config);

// Copies each [Проверить пары] source file over its target file when their
// last-write times differ.
void CopyPairs(SyncConfig& config);
