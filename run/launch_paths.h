#pragma once
// Where the running check and the post-synchronisation command look: names
// from the ini file, full or relative to the target directory.
#include <string>

// The ПроверятьЗапущеноЛиУже value as a full path: a drive path unchanged,
// anything else (a network path included) appended to the target directory,
// which ends with a backslash. An empty name gives the target directory.
[[nodiscard]] std::string ResolveCheckPath(const char* checkName, const char* targetDir);

// Executable paths compare equal when they differ at most in the case of
// the Latin letters A-Z; Cyrillic letters must match exactly.
[[nodiscard]] bool SameExecutablePath(const char* a, const char* b) noexcept;

// The command's working directory: empty for a drive path (the command
// names its own place), otherwise the target directory.
[[nodiscard]] std::string CommandWorkingDirectory(const char* runCommand, const char* targetDir);
