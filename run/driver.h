#pragma once
class SyncConfig;
class DirectoryLister;
struct Plan;

// One whole synchronisation of the loaded configuration: source check,
// scans, rule lists, comparison and the plan, then the act phase.
// True when no error was counted.
[[nodiscard]] bool RunSynchronisation(SyncConfig& config);

// The same, reading directories through `lister`.
[[nodiscard]] bool RunSynchronisation(SyncConfig& config, DirectoryLister& lister);

// The part of a run that reads and decides: source check, source and
// target pictures, rule lists, comparison, the work lists in `config`
// (sourceWorkList, targetWorkList, checkPairs), and `plan`, which names
// every action the act phase will take. Nothing is changed on disk. False
// when nothing may be acted on: the source cannot be read, a listing was
// cut short, or the run was stopped.
[[nodiscard]] bool PlanSynchronisation(SyncConfig& config, DirectoryLister& lister, Plan& plan);
