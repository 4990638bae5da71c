#include "win32/message_box.h"

#include <cstdio>
#include <string>

#include "log/logs.h"

namespace {

bool g_unattended = false;

int AnswerUnattended(const char* text, unsigned type) {
  if (!LogsOpened()) {
    std::string line(text);
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    // Straight to the stream: a switch that captures the log lines it
    // shows in its box must not swallow its own box.
    line += '\n';
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
  }
  return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

}  // namespace

void SetUnattended(bool unattended) { g_unattended = unattended; }

bool Unattended() { return g_unattended; }

int ShowProgramBox(const char* text, unsigned type) {
  if (g_unattended) return AnswerUnattended(text, type);
  return MessageBoxA(nullptr, text, kProgramCaption, type);
}

int ShowWorkerBox(HWND window, const char* text, unsigned buttons) {
  if (g_unattended) return AnswerUnattended(text, buttons);
  return MessageBoxA(window, text, kWorkerCaption, buttons | MB_ICONWARNING);
}
