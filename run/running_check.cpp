#include "run/running_check.h"

#include <windows.h>
#include <tlhelp32.h>

#include "config/full_path.h"
#include "config/sync_config.h"
#include "run/launch_paths.h"
#include "win32/handles.h"
#include "win32/process_image.h"

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
  // Only this session's processes count, as only they ever did when each
  // process's module list was read (another user's cannot be): on a terminal
  // server one user's client must not stop every user's start. Under Wine
  // every process, Wine's own services included, is in session 1. Should
  // this process's own session be unreadable, every process counts.
  DWORD session = 0;
  const bool bySession = ProcessIdToSessionId(GetCurrentProcessId(), &session) != FALSE;
  PROCESSENTRY32 process{};
  process.dwSize = sizeof(process);
  std::string image;
  DWORD processSession = 0;
  for (BOOL more = Process32First(processes.Get(), &process); more;
       more = Process32Next(processes.Get(), &process)) {
    if (bySession &&
        (!ProcessIdToSessionId(process.th32ProcessID, &processSession) || processSession != session)) {
      continue;
    }
    // The image path first, the module list when that gives no path or
    // another one. Only the image path can be read across bitness; the
    // module list holds the path the process was started from, which the
    // check has always compared: on Windows the image path is the resolved
    // one, which for a client started through a substituted or mapped drive
    // need not spell the configured path.
    if (QueriedImagePath(process.th32ProcessID, image) && SameExecutablePath(image.c_str(), path.c_str()))
      return true;
    if (FirstModulePath(process.th32ProcessID, image) && SameExecutablePath(image.c_str(), path.c_str()))
      return true;
  }
  return false;
}
