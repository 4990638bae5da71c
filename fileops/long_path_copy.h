#pragma once
// Copies one file over an existing target. On systems that take
// extended-length paths the copy goes through them, so target trees deeper
// than 260 characters work; relative paths are made absolute first. A copy
// in progress pauses while the user is asked whether to abort and is
// cancelled, its partial target removed, when the run is stopped.
class SyncConfig;

[[nodiscard]] bool CopyFileLongPath(const SyncConfig& config, const char* source, const char* target);
