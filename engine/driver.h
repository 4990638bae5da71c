#pragma once
class SyncConfig;
class DirectoryLister;

// One whole synchronisation of the loaded configuration: source check,
// scans, rule lists, comparison, work lists, then the copy and delete phase.
// True when no error was counted.
[[nodiscard]] bool RunSynchronisation(SyncConfig& config);

// The same, reading directories through `lister`.
[[nodiscard]] bool RunSynchronisation(SyncConfig& config, DirectoryLister& lister);
