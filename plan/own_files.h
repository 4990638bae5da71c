#pragma once
// The program's own files: its two logs, its ini file and its executable.
// Whatever the lists say, a run never deletes or overwrites them, and says
// nothing about leaving them: deleting an open log fails on every run, and
// a deleted ini file would make the next start offer to write a new one.
#include <string>
#include <vector>

// True when `path` names one of `ownFiles` (full paths). `path` may carry
// the run's root marker "\.\"; names are compared without regard to case,
// Latin and Cyrillic, as the file system compares them.
[[nodiscard]] bool IsOwnFile(const std::vector<std::string>& ownFiles, const std::string& path);
