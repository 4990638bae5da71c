#include "win32/run_control.h"

RunControl::RunControl() : running_(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

RunControl::~RunControl() { CloseHandle(running_); }

void RunControl::Pause() {
  ResetEvent(running_);
  paused_.store(true);
}

void RunControl::Resume() {
  paused_.store(false);
  SetEvent(running_);
}

void RunControl::Stop() {
  stopped_.store(true);
  InterlockedExchange(reinterpret_cast<volatile LONG*>(&copyCancel_), TRUE);
  SetEvent(running_);
}

bool RunControl::StopRequested() {
  // Asked before every file: the event is only waited on while a pause is
  // on, since each wait is a round trip to the system.
  if (paused_.load()) WaitForSingleObject(running_, INFINITE);
  return stopped_.load();
}
