#include "app/entry.h"

#include <new>
#include <string>

#include "app/command_line.h"
#include "app/default_ini.h"
#include "config/own_file_paths.h"
#include "config/sync_config.h"
#include "run/error_report.h"
#include "run/preview.h"
#include "run/publish.h"
#include "run/worker.h"
#include "ui/progress_window.h"
#include "win32/create_directory_path.h"
#include "win32/handles.h"
#include "win32/message_box.h"
#include "win32/run_control.h"

namespace {

constexpr const char* kGeneratedText =
    "ini-файл сгенерирован.\nОтредактируйте  'velkarin.ini'  перед\n"
    "следующим запуском программы.";

constexpr const char* kUsageText =
    "Параметры запуска утилиты синхронизации: [<имя файла инициализации>| /g | /h ]\n"
    "<имя файла инициализации> - если задано не полное имя файла, то файл должен находиться "
    "в рабочем каталоге утилиты синхронизации.\n"
    "/g - создать файл инициализации по умолчанию\n"
    "/h - вывести это сообщение\n"
    "/p [<имя файла инициализации>] - опубликовать список файлов каталога источника (velkarin.lst)\n"
    "/l [<имя файла инициализации>] - показать, что сделает синхронизация, ничего не изменяя "
    "(план в velkarin-plan.txt во временном каталоге)";

void GenerateIniAndConfirm() {
  if (WriteDefaultIni()) ShowProgramBox(kGeneratedText, MB_OK);
}

bool CanOpenForReading(const char* path) {
  win32::ScopedFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid();
}

bool ResolveAgainstCurrentDirectory(const char* name, char (&iniPath)[kPathSize]) {
  char currentDir[kPathSize];
  const DWORD length = GetCurrentDirectoryA(kPathSize, currentDir);
  const bool haveCurrentDir = length != 0 && length < kPathSize;
  return ResolveIniPath(name, haveCurrentDir ? currentDir : nullptr, iniPath);
}

// For "/p" and "/l": the ini file named after the switch, or the default one, must
// be there; no file is offered to be generated.
bool LocateNamedIniFile(const char* name, char (&iniPath)[kPathSize]) {
  if (ResolveAgainstCurrentDirectory(name, iniPath) && CanOpenForReading(iniPath)) return true;
  ShowProgramBox("Ошибка при задании имени ini-файла.\n Задайте существующий файл.", MB_OK | MB_ICONERROR);
  return false;
}

// True when the run goes on; false when an option was handled.
bool HandleCommandLineOptions(const char* commandLine) {
  switch (FindCommandLineOption(commandLine)) {
    case CommandLineOption::GenerateIni:
      GenerateIniAndConfirm();
      return false;
    case CommandLineOption::ShowHelp:
      ShowProgramBox(kUsageText, MB_OK | MB_ICONINFORMATION);
      return false;
    case CommandLineOption::PublishListing: {
      char iniPath[kPathSize];
      if (LocateNamedIniFile(PublishIniName(commandLine), iniPath)) PublishSourceListing(iniPath);
      return false;
    }
    case CommandLineOption::Preview: {
      char iniPath[kPathSize];
      if (LocateNamedIniFile(PreviewIniName(commandLine), iniPath)) PreviewSynchronisation(iniPath);
      return false;
    }
    case CommandLineOption::None:
      break;
  }
  return true;
}

// Resolves the ini path and makes sure it can be read. False ends the
// program: the user has been told, or has chosen to generate a file.
bool LocateIniFile(const char* commandLine, char (&iniPath)[kPathSize]) {
  const bool resolved = ResolveAgainstCurrentDirectory(commandLine, iniPath);
  if (resolved && CanOpenForReading(iniPath)) return true;
  // A path that does not fit its buffer is refused like a named file that
  // cannot be opened; offering to generate a file there would fail too.
  if (commandLine[0] != '\0' || !resolved) {
    ShowProgramBox("Ошибка при задании имени ini-файла.\n Задайте существующий файл.",
                   MB_OK | MB_ICONERROR);
    return false;
  }
  const int answer = ShowProgramBox("Не существует ini-файл.\n Сгенерировать файл?",
                                    MB_YESNO | MB_ICONERROR);
  if (answer != IDNO) GenerateIniAndConfirm();
  return false;
}

// The worker did not stop in time: it is stuck in a call that does not
// return (a write to a target that no longer answers, a copy that cannot be
// cancelled). Whatever it holds stays held: the C runtime's stream lock
// while it writes a log line, the heap lock while it allocates. Killing the
// thread would leave those locks taken for good, and the teardown after it
// (closing the logs flushes and reopens both standard streams, destructors
// free memory) would wait on them for ever, with no window left to show it.
// So the process ends here and now, touching nothing the worker may hold.
// Nothing is lost: each log line was flushed to its file as it was written.
// A log that stayed empty is not removed on this path.
// (ExitProcess would not do: it ends the other threads first and then lets
// the C runtime library clean up, which closes the streams and so waits on
// the lock the ended worker held.)
void EndWithoutTeardown() {
  // On the current process this call does not return.
  TerminateProcess(GetCurrentProcess(), 0);
}

void LoadAndRun(HINSTANCE instance, SyncConfig& config, const char* iniPath) {
  RunControl control;
  ProgressWindow window(instance, iniPath, control);
  if (!config.ReadConfiguration(iniPath)) {
    // Another run on the same target: its window is on the screen.
    if (!config.anotherRunOnTarget) ShowProgramBox("Ошибка в файле инициализации", MB_OK);
    return;
  }
  config.ownFiles = OwnFilePaths(config.targetDir, iniPath);
  config.runControl = &control;
  if (!window.Create()) {
    // No window to show: the run still happens, with boxes of their own.
    RunWorkerFlow(nullptr, config);
    return;
  }
  config.progressWindowHandle = window.Handle();
  WorkerArguments arguments{&window, &config};
  win32::ScopedKernelHandle worker(CreateThread(nullptr, 0, &WorkerRoutine, &arguments, 0, nullptr));
  if (!worker) {
    DestroyWindow(window.Handle());
    RunWorkerFlow(nullptr, config);
    return;
  }
  window.Run();
  // The window is gone, closed by the worker at its end or by the user: a
  // worker still running is asked to stop, and waited for.
  if (WaitForSingleObject(worker.Get(), 0) != WAIT_OBJECT_0) {
    control.Stop();
    if (WaitForSingleObject(worker.Get(), kWorkerWaitMs) != WAIT_OBJECT_0) EndWithoutTeardown();
  }
  config.progressWindowHandle = nullptr;
  config.runControl = nullptr;
}

int RunEntryWithinMemory(HINSTANCE instance, const char* commandLine) {
  if (!HandleCommandLineOptions(commandLine)) return 0;

  char iniPath[kPathSize];
  if (!LocateIniFile(commandLine, iniPath)) return 0;

  // Destroyed last: its destructor closes the logs and removes empty ones.
  SyncConfig config;
  try {
    LoadAndRun(instance, config, iniPath);
  } catch (const DirectoryCreationError& error) {
    ReportThrownText(error.systemError, error.text);
  }
  return 0;
}

}  // namespace

int RunEntry(HINSTANCE instance, const char* commandLine) {
  // The switches and the reading of the configuration run here, and none
  // of them may end the program without a word; a run's own shortage of
  // memory is reported by the worker, with its log line.
  try {
    return RunEntryWithinMemory(instance, commandLine);
  } catch (const std::bad_alloc&) {
    ShowProgramBox("Недостаточно памяти для работы программы.", MB_OK | MB_ICONERROR);
  }
  return 0;
}
