#pragma once
// Where the program's own files are for this run, as full paths: the two
// logs in the target directory, the ini file and the executable.
#include <string>
#include <vector>

// `targetDir` ends with a backslash; `iniPath` is the resolved ini path.
[[nodiscard]] std::vector<std::string> OwnFilePaths(const char* targetDir, const char* iniPath);
