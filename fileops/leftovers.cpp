#include "fileops/leftovers.h"

#include <windows.h>

#include <string>

#include "config/sync_config.h"
#include "fileops/files_in_use.h"
#include "fileops/long_path_copy.h"
#include "fileops/replace_file.h"
#include "log/logs.h"
#include "model/temporary_name.h"
#include "win32/handles.h"

namespace {

// True when a process with this id is running now. An id the system has
// given to another program since counts too: a leftover kept one run
// longer costs nothing, one removed under a running copy costs a file.
bool ProcessRunning(unsigned long processId) {
  if (processId == GetCurrentProcessId()) return true;
  win32::ScopedKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to open
  return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

unsigned long ProcessIdIn(const std::string& path) {
  const std::size_t separator = path.find_last_of('\\');
  const char* name = path.c_str() + (separator == std::string::npos ? 0 : separator + 1);
  unsigned long processId = 0;
  if (!IsTemporaryName(name, &processId)) (void)IsAsideName(name, nullptr, &processId);
  return processId;
}

}  // namespace

void TidyLeftover(const LeftoverFile& leftover) {
  if (ProcessRunning(ProcessIdIn(leftover.path))) return;
  if (!leftover.moveBackTo.empty()) {
    // Never over anything: a name taken since the scan stays as it is.
    if (MoveFileExW(ExtendedWidePath(leftover.path.c_str()).c_str(),
                    ExtendedWidePath(leftover.moveBackTo.c_str()).c_str(), 0)) {
      StatsLog() << MovedBackLine(leftover.path, leftover.moveBackTo) << EndLine;
    }
    return;
  }
  std::uint32_t ignored = 0;
  (void)RemoveTargetFile(nullptr, leftover.path.c_str(), leftover.attributes, ignored);
}
