#pragma once
class SyncConfig;

// One whole synchronisation of the loaded configuration: source check,
// scans, rule lists, comparison, work lists, then the copy and delete phase.
// True when no error was counted.
[[nodiscard]] bool RunSynchronisation(SyncConfig& config);
