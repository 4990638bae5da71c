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
