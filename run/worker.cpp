#include "run/worker.h"

#include <new>
#include <string>
#include <vector>

#include "config/sync_config.h"
#include "log/logs.h"
#include "run/driver.h"
#include "run/error_report.h"
#include "run/run_command.h"
#include "run/running_check.h"
#include "ui/progress_window.h"
#include "win32/create_directory_path.h"
#include "win32/message_box.h"

namespace {

// Only Yes counts as consent.
bool AskYes(HWND window, const std::string& text) { return ShowWorkerBox(window, text.c_str(), MB_YESNO) == IDYES; }

void Tell(HWND window, const char* text) { ShowWorkerBox(window, text, MB_OK); }

constexpr const char* kOutOfMemoryLine = "Ошибка: недостаточно памяти, синхронизация прервана";

// A run that cannot get the memory it needs ends as a run with errors: the
// user gets the error line, the box and the question as for any other
// failure, never a program that vanishes. Unwinding has freed what the
// run's frames held; the pictures and lists it keeps in the configuration
// go here, so that the line and the box can be made.
bool SynchroniseWithinMemory(SyncConfig& config) {
  try {
    return RunSynchronisation(config);
  } catch (const std::bad_alloc&) {
    config.sourceSnapshot.reset();
    config.targetSnapshot.reset();
    std::vector<DirRecord>().swap(config.sourceWorkList);
    std::vector<DirRecord>().swap(config.targetWorkList);
    std::vector<LeftoverFile>().swap(config.leftovers);
    ++config.errorCount;
    ErrorLog() << kOutOfMemoryLine << EndLine;
    return false;
  }
}

void DecideAfterRun(HWND window, SyncConfig& config) {
  const std::string quotedPath =
      "\"" + CheckedExecutablePath(config) + "\"?";
  if (IsApplicationRunning(config)) {
    ErrorLog() << "Ошибка: приложение уже запущено, синхронизация невозможна" << EndLine;
    if (AskYes(window, "Приложение уже запущено, синхронизация невозможна!\nПопытаться выполнить\n" +
                           quotedPath)) {
      RunCommand(window, config);
    }
    return;
  }
  const bool synchronised = SynchroniseWithinMemory(config);
  if (config.Stopped()) return;  // the user aborted: nothing more is done or written
  if (synchronised) {
    RunCommand(window, config);
  } else if (!config.askOnError) {
    Tell(window, "В процессе синхронизации возникли ошибки.\nПрограмма будет закрыта.");
  } else if (AskYes(window, "В процессе синхронизации возникли ошибки\nпопытаться выполнить\n" +
                                quotedPath)) {
    RunCommand(window, config);
  }
}

}  // namespace

void RunWorkerFlow(HWND window, SyncConfig& config) {
  try {
    DecideAfterRun(window, config);
  } catch (const DirectoryCreationError& error) {
    ReportThrownText(error.systemError, error.text);
  } catch (const std::bad_alloc&) {
    // Anywhere else in the worker (the running check, the command): an
    // exception leaving the thread would end the program without a word.
    ErrorLog() << "Ошибка: недостаточно памяти" << EndLine;
    Tell(window, "Недостаточно памяти.\nПрограмма будет закрыта.");
  }
  if (window != nullptr && !config.Stopped()) ProgressWindow::RequestClose(window);
}

DWORD WINAPI WorkerRoutine(void* argument) {
  auto* arguments = static_cast<WorkerArguments*>(argument);
  RunWorkerFlow(arguments->window->Handle(), *arguments->config);
  return 0;
}
