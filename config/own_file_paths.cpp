#include "config/own_file_paths.h"

#include <windows.h>

#include "config/full_path.h"
#include "model/limits.h"

namespace {

// The full normal form, so that "a\..\velkarin.ini" and the path a run
// builds for the same file compare equal.
std::string FullPath(const char* path) {
  std::string full;
  return MakeFullPath(path, full) ? full : std::string(path);
}

}  // namespace

std::vector<std::string> OwnFilePaths(const char* targetDir, const char* iniPath,
                                      const std::string& runRecordFile) {
  std::vector<std::string> paths;
  const std::string target = FullPath(targetDir);
  paths.push_back(target + "velkarin.err");
  paths.push_back(target + "velkarin.out");
  paths.push_back(target + "velkarin.release");  // the newest signed release accepted
  paths.push_back(FullPath(iniPath));
  char module[kPathSize];
  const DWORD length = GetModuleFileNameA(nullptr, module, kPathSize);
  if (length != 0 && length < kPathSize) paths.push_back(FullPath(module));
  if (!runRecordFile.empty()) paths.push_back(FullPath(runRecordFile.c_str()));
  return paths;
}
