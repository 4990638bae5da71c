#include "app/entry.h"

#include <new>
#include <string>

#include "app/command_line.h"
#include "app/default_ini.h"
#include "config/own_file_paths.h"
#include "config/sync_config.h"
#include "run/error_report.h"
#include "run/exit_code.h"
#include "run/make_key.h"
#include "run/preview.h"
#include "run/publish.h"
#include "run/run_record.h"
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
    "(план в velkarin-plan.txt во временном каталоге)\n"
    "/k <папка> - создать пару ключей издателя (velkarin-publisher.key и velkarin-publisher.pub)\n"
    "/v [<имя файла инициализации>] - восстановить клиент: проверить файлы приемника по подписанному "
    "списку источника и скопировать заново те, что с ним не совпадают\n"
    "/s - без участия пользователя: без окна, сообщений и вопросов, клиент не запускается; "
    "ставится первым: /s [<имя файла инициализации>], /s /p ..., /s /l ...\n"
    "Код завершения: 0 - синхронизировано, 1 - синхронизировано с ошибками, 2 - не синхронизировано, "
    "3 - прервано пользователем, 4 - приложение уже запущено, 5 - приложение не удалось запустить, "
    "6 - каталог приемник занят другим запуском\n"
    "Параметры ini-файла для многих рабочих мест: ЖурналЗапусков, ЗапускПриНедоступномИсточнике, "
    "ОжиданиеЗанятыхФайлов, КлючПодписи (для /p), КлючИздателя (см. руководство администратора)";

bool GenerateIniAndConfirm() {
  if (!WriteDefaultIni()) return false;
  ShowProgramBox(kGeneratedText, MB_OK);
  return true;
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

// A switch ends with 0 when it did what was asked, 2 when it did not.
ExitCode OptionCode(bool didWhatWasAsked) {
  return didWhatWasAsked ? ExitCode::Synchronised : ExitCode::NotSynchronised;
}

// True, with the code to end with, when an option was handled.
bool HandleCommandLineOptions(const char* commandLine, ExitCode& code) {
  char iniPath[kPathSize];
  switch (FindCommandLineOption(commandLine)) {
    case CommandLineOption::GenerateIni:
      code = OptionCode(GenerateIniAndConfirm());
      return true;
    case CommandLineOption::ShowHelp:
      ShowProgramBox(kUsageText, MB_OK | MB_ICONINFORMATION);
      code = ExitCode::Synchronised;
      return true;
    case CommandLineOption::PublishListing:
      code = OptionCode(LocateNamedIniFile(PublishIniName(commandLine), iniPath) && PublishSourceListing(iniPath));
      return true;
    case CommandLineOption::Preview:
      code = LocateNamedIniFile(PreviewIniName(commandLine), iniPath) ? PreviewSynchronisation(iniPath)
                                                                      : ExitCode::NotSynchronised;
      return true;
    case CommandLineOption::MakeKeys:
      code = OptionCode(MakePublisherKeys(MakeKeyFolder(commandLine)));
      return true;
    case CommandLineOption::Repair:  // a run of its own, below
    case CommandLineOption::None:
      break;
  }
  return false;
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
  if (answer != IDNO) (void)GenerateIniAndConfirm();
  return false;
}

// The worker did not stop in time: it is stuck in a call that does not
// return (a write to a target that no longer answers, a copy that cannot be
// cancelled). Whatever it holds stays held: the C runtime's stream lock
// while it writes a log line, the heap lock while it allocates. Killing the
// thread would leave those locks taken for good, and the teardown after it
// (closing the logs flushes and reopens both standard streams, destructors
// free memory) would wait on them for ever, with no window left to show it.
// So the process ends here and now, touching nothing the worker may hold
// (the run record goes without a log line of its own), as a stopped run.
// Nothing is lost: each log line was flushed to its file as it was written.
// A log that stayed empty is not removed on this path.
// (ExitProcess would not do: it ends the other threads first and then lets
// the C runtime library clean up, which closes the streams and so waits on
// the lock the ended worker held.)
void EndWithoutTeardown(const SyncConfig& config, const RunRecord& record) {
  record.Append(config, ExitCode::Stopped, true);
  // On the current process this call does not return.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(ExitCode::Stopped));
}

// The worker's flow in its thread beside the window's message loop; on
// this thread when there is to be no window (unattended) or none can be made.
RunOutcome RunBesideWindow(ProgressWindow& window, RunControl& control, SyncConfig& config,
                           const RunRecord& record, bool waitForUnattendedRun) {
  const auto withoutWindow = [&] {
    return waitForUnattendedRun ? WaitThenStartClient(nullptr, config) : RunWorkerFlow(nullptr, config);
  };
  if (config.unattended || !window.Create()) return withoutWindow();
  config.progressWindowHandle = window.Handle();
  WorkerArguments arguments{&window, &config, waitForUnattendedRun, RunOutcome{}};
  win32::ScopedKernelHandle worker(CreateThread(nullptr, 0, &WorkerRoutine, &arguments, 0, nullptr));
  if (!worker) {
    DestroyWindow(window.Handle());
    config.progressWindowHandle = nullptr;
    return withoutWindow();
  }
  window.Run();
  // The window is gone, closed by the worker at its end or by the user: a
  // worker still running is asked to stop, and waited for.
  if (WaitForSingleObject(worker.Get(), 0) != WAIT_OBJECT_0) {
    control.Stop();
    if (WaitForSingleObject(worker.Get(), kWorkerWaitMs) != WAIT_OBJECT_0) EndWithoutTeardown(config, record);
  }
  config.progressWindowHandle = nullptr;
  return arguments.outcome;
}

ExitCode LoadAndRun(HINSTANCE instance, SyncConfig& config, const char* iniPath, const RunRecord& record) {
  RunControl control;
  ProgressWindow window(instance, iniPath, control);
  bool waitForUnattendedRun = false;
  if (!config.ReadConfiguration(iniPath)) {
    RunOutcome refused;
    if (config.anotherRunOnTarget) {
      // Another run's window is on the screen and decides about the
      // client; an unattended run shows none, and is waited for.
      refused.targetBusy = true;
      waitForUnattendedRun = config.configurationRead && config.heldByUnattendedRun;
    } else {
      ShowProgramBox("Ошибка в файле инициализации", MB_OK);
      refused.configurationRefused = true;
    }
    if (!waitForUnattendedRun) {
      const ExitCode code = ExitCodeOf(refused);
      record.Append(config, code);
      return code;
    }
  }
  config.ownFiles = OwnFilePaths(config.targetDir, iniPath, config.runRecordFile);
  config.runControl = &control;
  const RunOutcome outcome = RunBesideWindow(window, control, config, record, waitForUnattendedRun);
  config.runControl = nullptr;
  const ExitCode code = ExitCodeOf(outcome);
  record.Append(config, code);
  return code;
}

ExitCode RunEntryWithinMemory(HINSTANCE instance, const char* commandLine) {
  // "/s" first: everything after it is read as the whole command line.
  if (const char* rest = UnattendedRest(commandLine)) {
    SetUnattended(true);
    commandLine = rest;
  }
  ExitCode code = ExitCode::Synchronised;
  if (HandleCommandLineOptions(commandLine, code)) return code;

  // "/v": a run that also checks the installed files against the signed
  // release; its ini file must be there, none is offered to be generated.
  const bool repair = FindCommandLineOption(commandLine) == CommandLineOption::Repair;
  char iniPath[kPathSize];
  if (repair ? !LocateNamedIniFile(RepairIniName(commandLine), iniPath) : !LocateIniFile(commandLine, iniPath)) {
    return ExitCode::NotSynchronised;
  }

  // Destroyed last: its destructor closes the logs and removes empty ones.
  SyncConfig config;
  config.unattended = Unattended();
  config.repair = repair;
  const RunRecord record(iniPath);
  try {
    return LoadAndRun(instance, config, iniPath, record);
  } catch (const DirectoryCreationError& error) {
    ReportThrownText(error.systemError, error.text);
  }
  return ExitCode::NotSynchronised;
}

}  // namespace

int RunEntry(HINSTANCE instance, const char* commandLine) {
  // The switches and the reading of the configuration run here, and none
  // of them may end the program without a word; a run's own shortage of
  // memory is reported by the worker, with its log line.
  try {
    return static_cast<int>(RunEntryWithinMemory(instance, commandLine));
  } catch (const std::bad_alloc&) {
    ShowProgramBox("Недостаточно памяти для работы программы.", MB_OK | MB_ICONERROR);
  }
  return static_cast<int>(ExitCode::NotSynchronised);
}
