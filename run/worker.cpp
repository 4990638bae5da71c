#include "run/worker.h"

#include <new>
#include <string>
#include <vector>

#include "config/sync_config.h"
#include "log/logs.h"
#include "run/driver.h"
#include "run/error_report.h"
#include "run/launch_paths.h"
#include "run/run_command.h"
#include "run/running_check.h"
#include "ui/progress_text.h"
#include "ui/progress_window.h"
#include "win32/create_directory_path.h"
#include "win32/message_box.h"
#include "win32/run_lock.h"

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

// The installed client, for a start with the source away: Выполнить as a
// full path, or in the target.
bool InstalledClientPresent(const SyncConfig& config, std::string& path) {
  if (config.runCommand[0] == '\0') return false;
  path = ResolveCheckPath(config.runCommand, config.targetDir);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// What a repair ("/v") did, or what stood in its way.
std::string RepairText(const SyncConfig& config) {
  if (!config.acted) return "Восстановление клиента не выполнено.\n" + ErrorLog().FirstLine();
  return "Восстановление клиента завершено.\nПроверено файлов: " + std::to_string(config.repairChecked) +
         ", не совпадали с выпуском: " + std::to_string(config.repairDamaged) +
         ".\nСкопировано файлов: " + std::to_string(config.filesCopied) +
         ", ошибок: " + std::to_string(config.errorCount) + ".";
}

// Starts the client; a failed start is what the outcome keeps of it.
void StartClient(HWND window, const SyncConfig& config, RunOutcome& outcome) {
  if (!RunCommand(window, config)) outcome.clientNotStarted = true;
}

void DecideAfterRun(HWND window, SyncConfig& config, RunOutcome& outcome) {
  const std::string quotedPath =
      "\"" + CheckedExecutablePath(config) + "\"?";
  if (IsApplicationRunning(config)) {
    outcome.clientRunning = true;
    ErrorLog() << "Ошибка: приложение уже запущено, синхронизация невозможна" << EndLine;
    if (!config.unattended &&
        AskYes(window, "Приложение уже запущено, синхронизация невозможна!\nПопытаться выполнить\n" +
                           quotedPath)) {
      StartClient(window, config, outcome);
    }
    return;
  }
  const bool synchronised = SynchroniseWithinMemory(config);
  if (config.Stopped()) return;  // the user aborted: nothing more is done or written
  // Unattended: nothing is asked, and the client is the user's to start.
  if (config.unattended) return;
  // A repair ends with its counts, and the client is the user's to start.
  if (config.repair) {
    Tell(window, RepairText(config).c_str());
    return;
  }
  std::string installed;
  if (synchronised) {
    StartClient(window, config, outcome);
  } else if (config.sourceUnreachable && config.startWhenSourceAway && InstalledClientPresent(config, installed)) {
    StatsLog() << "источник недоступен, запускается установленный клиент \"" << installed << "\"" << EndLine;
    StartClient(window, config, outcome);
  } else if (!config.askOnError) {
    Tell(window, "В процессе синхронизации возникли ошибки.\nПрограмма будет закрыта.");
  } else if (AskYes(window, "В процессе синхронизации возникли ошибки\nпопытаться выполнить\n" +
                                quotedPath)) {
    StartClient(window, config, outcome);
  }
}

}  // namespace

RunOutcome RunWorkerFlow(HWND window, SyncConfig& config) {
  RunOutcome outcome;
  try {
    DecideAfterRun(window, config, outcome);
  } catch (const DirectoryCreationError& error) {
    ++config.errorCount;
    ReportThrownText(error.systemError, error.text);
  } catch (const std::bad_alloc&) {
    // Anywhere else in the worker (the running check, the command): an
    // exception leaving the thread would end the program without a word.
    ++config.errorCount;
    ErrorLog() << "Ошибка: недостаточно памяти" << EndLine;
    Tell(window, "Недостаточно памяти.\nПрограмма будет закрыта.");
  }
  outcome.errorCount = config.errorCount;
  outcome.acted = config.acted;
  outcome.stopped = config.Stopped();
  if (window != nullptr && !config.Stopped()) ProgressWindow::RequestClose(window);
  return outcome;
}

RunOutcome WaitThenStartClient(HWND window, SyncConfig& config) {
  RunOutcome outcome;
  SendProgressText(window, "Ожидание завершения синхронизации, запущенной с ключом /s");
  const ULONGLONG start = GetTickCount64();
  bool held = true;
  while ((held = UnattendedRunHolds(config.targetKey)) && GetTickCount64() - start < kUnattendedWaitMs) {
    if (config.StopRequested()) break;
    Sleep(100);
  }
  if (config.Stopped()) {
    outcome.stopped = true;
    return outcome;
  }
  try {
    if (held) {
      outcome.targetBusy = true;
      Tell(window, "Синхронизация, запущенная с ключом /s, не завершилась за 10 минут.\nКлиент не запущен.");
    } else {
      StartClient(window, config, outcome);
    }
  } catch (const std::bad_alloc&) {
    outcome.clientNotStarted = true;
    Tell(window, "Недостаточно памяти.\nПрограмма будет закрыта.");
  }
  if (window != nullptr) ProgressWindow::RequestClose(window);
  return outcome;
}

DWORD WINAPI WorkerRoutine(void* argument) {
  auto* arguments = static_cast<WorkerArguments*>(argument);
  const HWND window = arguments->window->Handle();
  arguments->outcome = arguments->waitForUnattendedRun ? WaitThenStartClient(window, *arguments->config)
                                                       : RunWorkerFlow(window, *arguments->config);
  return 0;
}
