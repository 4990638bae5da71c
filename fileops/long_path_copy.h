#pragma once
// Copies one file. On systems that take
// extended-length paths the copy goes through them, so target trees deeper
// than 260 characters work; relative paths are made absolute first. A copy
// in progress pauses while the user is asked whether to abort and is
// cancelled, its partial target removed, when the run is stopped.
#include <string>

class SyncConfig;

// `failIfExists`: the target is opened as a new file (CREATE_NEW), and if
// anything stands there the copy fails rather than write into it; the
// system's error is then ERROR_FILE_EXISTS.
[[nodiscard]] bool CopyFileLongPath(const SyncConfig& config, const char* source, const char* target,
                                    bool failIfExists = false);

// The wide extended-length form of a narrow path, the run's root marker
// removed, for the wide calls that must reach as far as the copies do.
[[nodiscard]] std::wstring ExtendedWidePath(const char* path);
