#pragma once
// The worker thread: running check, synchronisation, the questions after
// it, the command, and the close request to the window.
#include <windows.h>

class ProgressWindow;
class SyncConfig;

// What the entry hands the thread: the window first, the configuration
// second. Lives in the entry's frame for the whole run.
struct WorkerArguments {
  ProgressWindow* window;
  SyncConfig* config;
};

// The thread's start routine; `argument` is a WorkerArguments.
DWORD WINAPI WorkerRoutine(void* argument);

// The worker's flow itself, for a run on the calling thread. `window` owns
// the boxes and is asked to close at the end; it may be null.
void RunWorkerFlow(HWND window, SyncConfig& config);
