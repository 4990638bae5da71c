#include "config/sync_config.h"

#include <windows.h>

#include "log/logs.h"
#include "win32/run_control.h"
#include "win32/run_lock.h"

namespace {

// Extended-length paths came with the NT 5 family. GetVersionExA is what the
// rule is defined on; newer systems may report a lower version to programs
// without a manifest, but never below 5.
bool QueryLongPathCapable() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);  // 148 bytes
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
  if (!GetVersionExA(&version)) return true;
  return version.dwMajorVersion >= 5;
}

}  // namespace

SyncConfig::SyncConfig() : longPathCapable(QueryLongPathCapable()) {}

SyncConfig::~SyncConfig() {
  sourceSnapshot.reset();
  targetSnapshot.reset();
  CloseLogs();
  ReleaseTargetRunLock(targetRunLock);  // the logs are closed: another run may begin
}

bool SyncConfig::StopRequested() const { return runControl != nullptr && runControl->StopRequested(); }

bool SyncConfig::Stopped() const { return runControl != nullptr && runControl->Stopped(); }
