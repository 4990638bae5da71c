#pragma once
// The process's exit code: what a logon script, a scheduled task or a
// management tool reads of a start. Decided here alone, from what the start
// found and did.
#include <cstdint>

enum class ExitCode : int {
  Synchronised = 0,      // without errors; the client started when configured
  WithErrors = 1,        // synchronised, but items were not copied or deleted
  NotSynchronised = 2,   // configuration, source or target stood in the way
  Stopped = 3,           // stopped by the user
  ClientRunning = 4,     // not synchronised: the client runs
  ClientNotStarted = 5,  // the client could not be started
  TargetBusy = 6,        // another run holds the target
};

// What one start found and did, as the run and the worker record it.
struct RunOutcome {
  bool configurationRefused = false;  // ini missing, unreadable or refused; target not made
  bool targetBusy = false;            // another run holds the target
  bool clientRunning = false;         // the running check found the client
  bool acted = false;                 // the act phase began: the plan was whole
  std::int32_t errorCount = 0;        // errors counted by the run
  bool stopped = false;               // the user stopped the run or the wait
  bool clientNotStarted = false;      // a start of the client was tried and failed
};

// Outcomes that come together give the higher code: a client that could
// not be started tells more than items that failed, a stop more than the
// errors the stop left.
[[nodiscard]] ExitCode Worse(ExitCode a, ExitCode b) noexcept;

[[nodiscard]] ExitCode ExitCodeOf(const RunOutcome& outcome) noexcept;
