#include "log/logs.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

enum class LogState {
  Unattached,   // still the process's own stream (nothing of ours)
  Open,         // attached to its file in the target directory
  ClosedEarly,  // statistics off: our file closed, writes discarded
  Unavailable,  // the file could not be created: writes discarded
};

struct LogFile {
  LogState state = LogState::Unattached;
  std::string path;
};

LogFile g_stats;
LogFile g_errors;
LogStream g_statsLines(stdout);
LogStream g_errorLines(stderr);

// The null device keeps the C stream valid after its file is closed, so a
// later write is silently dropped instead of going to a closed FILE.
void AttachToNullDevice(FILE* stream) { (void)std::freopen("NUL", "w", stream); }

// A log whose file is gone drops its lines at once. Writing them through to
// the null device instead would cost a system call per line (Wine: a server
// round trip each), several per copied file.
void Attach(LogFile& log, FILE* stream, LogStream& lines, const std::string& path) {
  log.path = path;
  lines.WriteTo(stream);
  if (std::freopen(path.c_str(), "w", stream) != nullptr) {
    log.state = LogState::Open;
    // Buffered, so that a line reaches the file in one write at its end.
    std::setvbuf(stream, nullptr, _IOFBF, 4096);
  } else {
    AttachToNullDevice(stream);
    log.state = LogState::Unavailable;
    lines.Discard();
  }
}

long WritePosition(const LogFile& log, FILE* stream) {
  if (log.state != LogState::Open) return -1;
  std::fflush(stream);
  return std::ftell(stream);
}

void Detach(LogFile& log, FILE* stream) {
  if (log.state == LogState::Open) {
    std::fflush(stream);
    AttachToNullDevice(stream);
  }
}

}  // namespace

LogStream& ErrorLog() { return g_errorLines; }
LogStream& StatsLog() { return g_statsLines; }

void OpenLogs(const char* targetDir) {
  const std::string dir(targetDir);
  Attach(g_stats, stdout, g_statsLines, dir + "velkarin.out");
  Attach(g_errors, stderr, g_errorLines, dir + "velkarin.err");
}

void CloseStatsLogEarly() {
  if (g_stats.state != LogState::Open) return;
  Detach(g_stats, stdout);
  g_stats.state = LogState::ClosedEarly;
  g_statsLines.Discard();
}

void CloseLogs() {
  if (g_errors.state == LogState::Unattached && g_stats.state == LogState::Unattached) return;
  const long errorPosition = WritePosition(g_errors, stderr);
  const long statsPosition = WritePosition(g_stats, stdout);
  Detach(g_stats, stdout);
  Detach(g_errors, stderr);
  // Only our own files are removed: a log that could not be created may be
  // somebody else's file of that name.
  if (g_errors.state == LogState::Open && errorPosition == 0) {
    DeleteFileA(g_errors.path.c_str());
  }
  const bool statsOurs = g_stats.state == LogState::Open || g_stats.state == LogState::ClosedEarly;
  if (statsOurs && (statsPosition == 0 || statsPosition == -1)) {
    DeleteFileA(g_stats.path.c_str());
  }
  g_errors = LogFile{};
  g_stats = LogFile{};
  g_errorLines.WriteTo(stderr);
  g_statsLines.WriteTo(stdout);
}

bool LogsOpened() { return g_errors.state != LogState::Unattached; }

bool ErrorLogReachesFile() {
  return g_errors.state == LogState::Open && !g_errorLines.Failed() && !std::ferror(stderr);
}
