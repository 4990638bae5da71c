#pragma once
// The run record: at the end of every run, one line appended to
// "<ЖурналЗапусков>\<computer name>.log", so that an administrator reads in
// one folder what each workstation did. Windows-1251, CR LF, fields apart by
// a tab, always in this order:
//
//   local date and time ("YYYY-MM-DD HH:MM:SS", the run's end), user,
//   program version, ini path, where the source's picture came from
//   ("список <publish time>", "сканирование", or "-" when it was not read),
//   exit code, files copied, files and directories deleted, errors counted,
//   duration in seconds ("12.3"), the run's first error-log line or nothing.
#include <cstdint>
#include <string>

#include "run/exit_code.h"

class SyncConfig;

class RunRecord {
 public:
  // The run begins: its duration is counted from here.
  explicit RunRecord(const char* iniPath);

  // Appends the run's line when the configuration names a folder for it. A
  // file that cannot be written is one statistics-log line, never an error
  // of the run. `quietly`: not even that line (the process is about to end
  // without its teardown, and the logs may be held by a stuck worker).
  void Append(const SyncConfig& config, ExitCode code, bool quietly = false) const;

 private:
  std::string iniPath_;
  std::uint64_t startTicks_;
};
