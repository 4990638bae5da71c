#pragma once
// The two logs in the target directory: ErrorLog is "velkarin.err", StatsLog
// is "velkarin.out". They are written through the process's standard C
// streams, redirected to the files: standard error for the errors, standard
// output for the statistics. A line is written by inserting its pieces and
// ending with EndLine, so each line reaches the file at once. Until the logs
// are opened, lines go to the process's own standard streams.
#include "log/log_stream.h"

[[nodiscard]] LogStream& ErrorLog();
[[nodiscard]] LogStream& StatsLog();

// Redirects standard output to targetDir + "velkarin.out", then standard
// error to targetDir + "velkarin.err", truncating earlier logs. targetDir
// ends with a backslash. A file that cannot be created leaves its log
// discarding what is written to it.
void OpenLogs(const char* targetDir);

// Statistics are off: the statistics file is closed at once and everything
// later written to StatsLog is discarded. The empty file is removed by
// CloseLogs.
void CloseStatsLogEarly();

// Closes both logs and deletes those that stayed empty (a statistics log
// closed early counts as empty); both go back to the process's own standard
// streams. Only files that OpenLogs created are ever deleted. Does nothing
// when the logs were never opened.
void CloseLogs();

// True from OpenLogs to CloseLogs: lines go to the target's files (or are
// dropped there), no longer to the process's own streams.
[[nodiscard]] bool LogsOpened();

// True while standard error is attached to the error log file and no write
// to it has failed: a line written now is on disk.
[[nodiscard]] bool ErrorLogReachesFile();
