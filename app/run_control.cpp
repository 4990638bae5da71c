#include "app/run_control.h"

RunControl::RunControl() : running_(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

RunControl::~RunControl() { CloseHandle(running_); }

void RunControl::Pause() { ResetEvent(running_); }

void RunControl::Resume() { SetEvent(running_); }

void RunControl::Stop() {
  stopped_.store(true);
  InterlockedExchange(reinterpret_cast<volatile LONG*>(&copyCancel_), TRUE);
  SetEvent(running_);
}

bool RunControl::StopRequested() {
  WaitForSingleObject(running_, INFINITE);
  return stopped_.load();
}
