#include "app/running_check.h"

#include <windows.h>
#include <tlhelp32.h>

#include "app/launch_paths.h"
#include "config/full_path.h"
#include "config/sync_config.h"
#include "win32/handles.h"

namespace {

// The first module of a process is its executable. Processes whose modules
// cannot be listed (system processes, other users') do not match.
bool ProcessRunsFrom(DWORD processId, const std::string& path) {
  win32::ScopedFile modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!modules.Valid()) return false;
  MODULEENTRY32 module{};
  module.dwSize = sizeof(module);
  return Module32First(modules.Get(), &module) && SameExecutablePath(module.szExePath, path.c_str());
}

}  // namespace

std::string CheckedExecutablePath(const SyncConfig& config) {
  const std::string resolved = ResolveCheckPath(config.runningCheckName, config.targetDir);
  std::string full;
  // Failing that, the text as resolved: it is still what the user wrote.
  return MakeFullPath(resolved.c_str(), full) ? full : resolved;
}

bool IsApplicationRunning(const SyncConfig& config) {
  if (config.runningCheckName[0] == '\0') return false;
  const std::string path = CheckedExecutablePath(config);
  win32::ScopedFile processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes.Valid()) return false;
  PROCESSENTRY32 process{};
  process.dwSize = sizeof(process);
  for (BOOL more = Process32First(processes.Get(), &process); more;
       more = Process32Next(processes.Get(), &process)) {
    if (ProcessRunsFrom(process.th32ProcessID, path)) return true;
  }
  return false;
}
