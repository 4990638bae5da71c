#pragma once
// The worker thread: running check, synchronisation, the questions after
// it, the command, and the close request to the window.
#include <windows.h>

#include "run/exit_code.h"

class ProgressWindow;
class SyncConfig;

// What the entry hands the thread: the window first, the configuration
// second. Lives in the entry's frame for the whole run.
struct WorkerArguments {
  ProgressWindow* window;
  SyncConfig* config;
  // Instead of a run: wait for the unattended run that holds the target,
  // then start the client.
  bool waitForUnattendedRun = false;
  RunOutcome outcome;  // filled by the thread at its end
};

// The thread's start routine; `argument` is a WorkerArguments.
DWORD WINAPI WorkerRoutine(void* argument);

// The worker's flow itself, for a run on the calling thread. `window` owns
// the boxes and is asked to close at the end; it may be null. Returns what
// the run found and did.
RunOutcome RunWorkerFlow(HWND window, SyncConfig& config);

// How long a start waits for an unattended run on its target.
constexpr unsigned long kUnattendedWaitMs = 10 * 60 * 1000;

// A start that found an unattended run ("/s") on its target: the window
// says so while it waits (Escape ends the wait as it stops a run); once the
// run has ended the client is started without a second synchronisation. A
// run that is still at work after kUnattendedWaitMs is told, and nothing is
// started: the client's files may be half replaced.
RunOutcome WaitThenStartClient(HWND window, SyncConfig& config);
