#include "run/exit_code.h"

ExitCode Worse(ExitCode a, ExitCode b) noexcept { return static_cast<int>(a) >= static_cast<int>(b) ? a : b; }

ExitCode ExitCodeOf(const RunOutcome& outcome) noexcept {
  ExitCode code = ExitCode::Synchronised;
  if (outcome.targetBusy) code = ExitCode::TargetBusy;
  if (outcome.configurationRefused) code = Worse(code, ExitCode::NotSynchronised);
  if (outcome.clientRunning) code = Worse(code, ExitCode::ClientRunning);
  if (outcome.stopped) code = Worse(code, ExitCode::Stopped);
  // Errors before the act phase mean nothing was synchronised: the source
  // could not be read or its picture could not be trusted.
  if (outcome.errorCount != 0) {
    code = Worse(code, outcome.acted ? ExitCode::WithErrors : ExitCode::NotSynchronised);
  }
  if (outcome.clientNotStarted) code = Worse(code, ExitCode::ClientNotStarted);
  return code;
}
