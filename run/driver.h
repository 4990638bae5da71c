#pragma once
#include <functional>
#include <string>

class SyncConfig;
class DirectoryLister;

// One whole synchronisation of the loaded configuration: source check,
// scans, rule lists, comparison, work lists, then the copy and delete phase.
// True when no error was counted.
[[nodiscard]] bool RunSynchronisation(SyncConfig& config);

// The same, reading directories through `lister`.
[[nodiscard]] bool RunSynchronisation(SyncConfig& config, DirectoryLister& lister);

// What planning does with a [Вырезать] entry's path (full, or below the
// target) once the entry is out of both snapshots: a run deletes it there
// and then; the preview only notes it.
using CutEntryAction = std::function<void(SyncConfig& config, const std::string& path)>;

// The part of a run that decides: source check, source and target
// pictures, rule lists, comparison, and the work lists in `config`
// (sourceWorkList, targetWorkList, checkPairs), ready for the copy phase.
// Nothing is changed on disk but through `cut`. False when nothing may be
// acted on: the source cannot be read, a listing was cut short, or the run
// was stopped.
[[nodiscard]] bool PlanSynchronisation(SyncConfig& config, DirectoryLister& lister, const CutEntryAction& cut);
