#include "log/logs.h"

#include <windows.h>

#include <cstdio>
#include <iostream>
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

// The null device keeps the C stream valid after its file is closed, so a
// later insertion is silently dropped instead of writing to a closed FILE.
void AttachToNullDevice(FILE* stream) { (void)std::freopen("NUL", "w", stream); }

// Insertions into a failed C++ stream stop at once. Writing them through to
// the null device instead would cost a system call per inserted piece
// (Wine: a server round trip each), several per copied file.
void Discard(std::ostream& cppStream) { cppStream.setstate(std::ios::badbit); }

void Attach(LogFile& log, FILE* stream, std::ostream& cppStream, const std::string& path) {
  log.path = path;
  cppStream.clear();
  if (std::freopen(path.c_str(), "w", stream) != nullptr) {
    log.state = LogState::Open;
    // Buffered, so that a line reaches the file in one write at its flush.
    std::setvbuf(stream, nullptr, _IOFBF, 4096);
  } else {
    AttachToNullDevice(stream);
    log.state = LogState::Unavailable;
    Discard(cppStream);
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

std::ostream& ErrorLog() { return std::cerr; }
std::ostream& StatsLog() { return std::cout; }

void OpenLogs(const char* targetDir) {
  const std::string dir(targetDir);
  Attach(g_stats, stdout, std::cout, dir + "velkarin.out");
  Attach(g_errors, stderr, std::cerr, dir + "velkarin.err");
}

void CloseStatsLogEarly() {
  if (g_stats.state != LogState::Open) return;
  std::cout.flush();
  Detach(g_stats, stdout);
  g_stats.state = LogState::ClosedEarly;
  Discard(std::cout);
}

void CloseLogs() {
  if (g_errors.state == LogState::Unattached && g_stats.state == LogState::Unattached) return;
  std::cerr.flush();
  std::cout.flush();
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
}

bool ErrorLogReachesFile() {
  return g_errors.state == LogState::Open && std::cerr.good() && !std::ferror(stderr);
}
