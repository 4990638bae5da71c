#include "run/launch_paths.h"

#include "config/directory_path.h"
#include "model/snapshot.h"

std::string ResolveCheckPath(const char* checkName, const char* targetDir) {
  if (IsDrivePath(checkName)) return checkName;
  return std::string(targetDir) + checkName;
}

bool SameExecutablePath(const char* a, const char* b) noexcept { return NamesMatchAscii(a, b); }

std::string CommandWorkingDirectory(const char* runCommand, const char* targetDir) {
  return IsDrivePath(runCommand) ? std::string() : std::string(targetDir);
}
