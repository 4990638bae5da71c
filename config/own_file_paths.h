#pragma once
// Where the program's own files are for this run, as full paths: the two
// logs and the accepted release's time in the target directory, the ini file, the executable, and the run
// record (which may lie in the target) when there is one.
#include <string>
#include <vector>

// `targetDir` ends with a backslash; `iniPath` is the resolved ini path.
[[nodiscard]] std::vector<std::string> OwnFilePaths(const char* targetDir, const char* iniPath,
                                                   const std::string& runRecordFile);
