#pragma once
#include <windows.h>

// How long the entry waits for the worker after the window has gone before
// it gives up on it and ends the process without any teardown. A stopped
// worker ends at its next safe point; only a call that does not return (a
// copy that cannot be cancelled under Wine, a write to a hung target) keeps
// it longer.
constexpr DWORD kWorkerWaitMs = 8000;

// The whole program: options, ini location, configuration, run, teardown.
// `commandLine` is the text after the program name. Returns the exit code
// (run/exit_code.h).
int RunEntry(HINSTANCE instance, const char* commandLine);
