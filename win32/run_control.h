#pragma once
// Cooperative pausing and stopping of the worker. The window pauses the run
// while it asks whether to abort, and stops it on Yes; the worker looks at
// its safe points (before each directory listed and each file operation)
// and inside a running copy. A thread is never suspended or killed in the
// middle of its work: one stopped while holding the heap or a stream lock
// would leave the window or the teardown waiting for ever.
#include <windows.h>

#include <atomic>

class RunControl {
 public:
  RunControl();
  ~RunControl();
  RunControl(const RunControl&) = delete;
  RunControl& operator=(const RunControl&) = delete;

  // Window side.
  void Pause();
  void Resume();
  void Stop();  // also resumes, so that a waiting worker sees it

  // Worker side: waits while paused; true when the run must stop now.
  [[nodiscard]] bool StopRequested();
  // True once Stop() was called, without waiting.
  [[nodiscard]] bool Stopped() const { return stopped_.load(); }
  // The cancel flag that CopyFileExW watches.
  BOOL* CopyCancelFlag() { return &copyCancel_; }

 private:
  HANDLE running_;  // manual-reset event: set while not paused
  std::atomic<bool> paused_{false};  // mirrors the event, read without a system call
  std::atomic<bool> stopped_{false};
  BOOL copyCancel_ = FALSE;
};
