#pragma once
// The two logs are the process's standard streams redirected to files in the
// target directory: ErrorLog is standard error ("velkarin.err"), StatsLog is
// standard output ("velkarin.out"). A line is written by inserting its pieces
// and ending with std::endl, so each line reaches the file at once.
#include <ostream>

[[nodiscard]] std::ostream& ErrorLog();
[[nodiscard]] std::ostream& StatsLog();

// Redirects standard output to targetDir + "velkarin.out", then standard
// error to targetDir + "velkarin.err", truncating earlier logs. targetDir
// ends with a backslash. A file that cannot be created leaves its stream
// discarding what is written to it.
void OpenLogs(const char* targetDir);

// Statistics are off: the statistics file is closed at once and everything
// later written to StatsLog is discarded. The empty file is removed by
// CloseLogs.
void CloseStatsLogEarly();

// Closes both logs and deletes those that stayed empty (a statistics log
// closed early counts as empty). Only files that OpenLogs created are ever
// deleted. Does nothing when the logs were never opened.
void CloseLogs();

// True while standard error is attached to the error log file and no write
// to it has failed: a line written now is on disk.
[[nodiscard]] bool ErrorLogReachesFile();
