#pragma once
// The system's own full form of a path from the ini file.
#include <string>

// `path` as GetFullPathNameA gives it: a relative path joined to the current
// directory, "." and ".." components resolved, repeated separators made one
// and '/' turned into '\'. A full path already in that form comes back byte
// for byte. False, leaving `full` empty, for an empty path or when the
// system cannot form one. The ANSI call takes paths shorter than MAX_PATH
// only; a longer directory could not be created or listed through the
// ANSI calls the run uses either, so it is refused here, before any use.
[[nodiscard]] bool MakeFullPath(const char* path, std::string& full);

// A file or folder an ini setting names: environment variables expanded
// (the value as written when they do not fit), and a path that is neither a
// drive path ("X:\...") nor a network one ("\\...") taken from `base`,
// which ends with a backslash.
[[nodiscard]] std::string SettingPath(const std::string& value, const std::string& base);
