#include "run/error_report.h"

#include <windows.h>

#include <cstdio>

#include "log/logs.h"
#include "win32/message_box.h"

void ReportThrownText(unsigned long systemError, const std::string& text) {
  const std::string line = "Ошибка [" + std::to_string(systemError) + "], " + text;
  ErrorLog() << line << EndLine;
  std::fflush(stderr);
  std::fflush(stdout);
  if (!ErrorLogReachesFile()) ShowProgramBox(line.c_str(), MB_OK | MB_ICONERROR);
}
