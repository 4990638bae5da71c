#include "app/worker.h"

#include <ostream>
#include <string>

#include "app/error_report.h"
#include "app/run_command.h"
#include "app/running_check.h"
#include "config/sync_config.h"
#include "engine/driver.h"
#include "fileops/create_directory_path.h"
#include "log/logs.h"
#include "ui/progress_window.h"
#include "win32/message_box.h"

namespace {

// Only Yes counts as consent.
bool AskYes(HWND window, const std::string& text) { return ShowWorkerBox(window, text.c_str(), MB_YESNO) == IDYES; }

void Tell(HWND window, const char* text) { ShowWorkerBox(window, text, MB_OK); }

void DecideAfterRun(HWND window, SyncConfig& config) {
  const std::string quotedPath =
      "\"" + CheckedExecutablePath(config) + "\"?";
  if (IsApplicationRunning(config)) {
    ErrorLog() << "Ошибка: приложение уже запущено, синхронизация невозможна" << std::endl;
    if (AskYes(window, "Приложение уже запущено, синхронизация невозможна!\nПопытаться выполнить\n" +
                           quotedPath)) {
      RunCommand(window, config);
    }
    return;
  }
  const bool synchronised = RunSynchronisation(config);
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
  }
  if (window != nullptr && !config.Stopped()) ProgressWindow::RequestClose(window);
}

DWORD WINAPI WorkerRoutine(void* argument) {
  auto* arguments = static_cast<WorkerArguments*>(argument);
  RunWorkerFlow(arguments->window->Handle(), *arguments->config);
  return 0;
}
