#include "run/run_command.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "config/sync_config.h"
#include "log/logs.h"
#include "run/launch_paths.h"
#include "win32/message_box.h"
#include "win32/system_message.h"

namespace {

using ShellExecuteExFunction = decltype(&ShellExecuteExA);

// Starts the command; false with the system's error code when it could not
// be started. ShellExecuteA's own result is no error code: its values 26 to
// 32 are the shell's, which mean other things as system codes.
//
// The shell library and everything it pulls in are loaded only when there
// is a command to start: most of a run's start-up time under Wine is
// library initialisation, and a run without a command needs none of it.
// The library stays loaded: what the shell started may still run its code.
bool OpenWithShell(const char* command, const char* arguments, const char* directory, DWORD& error) {
  HMODULE shell = LoadLibraryA("shell32.dll");
  const auto execute =
      shell != nullptr ? reinterpret_cast<ShellExecuteExFunction>(
                             reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteExA")))
                       : nullptr;
  if (execute == nullptr) {
    error = GetLastError();
    return false;
  }
  SHELLEXECUTEINFOA start{};
  start.cbSize = sizeof(start);
  // No box of the system's own: the program's box names the command. The
  // start is complete when the call returns: the program ends right after.
  start.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  start.lpVerb = "open";
  start.lpFile = command;
  start.lpParameters = arguments;
  start.lpDirectory = directory;
  start.nShow = SW_SHOWNORMAL;
  if (execute(&start)) return true;
  error = GetLastError();
  return false;
}

std::string CannotStartText(const char* command, DWORD error) {
  const std::string reason = SystemMessage(error);
  return "Не удалось выполнить команду\n\"" + std::string(command) + "\"\nОшибка " + std::to_string(error) +
         (reason.empty() ? std::string() : ": " + reason);
}

}  // namespace

bool RunCommand(HWND window, const SyncConfig& config) {
  if (config.runCommand[0] == '\0') return true;
  const std::string directory = CommandWorkingDirectory(config.runCommand, config.targetDir);
  // A relative command is not joined to the target: the working directory
  // carries it.
  DWORD error = 0;
  if (OpenWithShell(config.runCommand, config.runArguments, directory.empty() ? nullptr : directory.c_str(),
                    error)) {
    StatsLog() << "Выполнение команды \"" << config.runCommand << "\" рабочий каталог \"" << directory << "\""
               << EndLine;
    return true;
  }
  ErrorLog() << "Ошибка " << error << " выполнения команды \"" << config.runCommand
             << "\" рабочий каталог \"" << directory << "\"" << EndLine;
  ShowWorkerBox(window, CannotStartText(config.runCommand, error).c_str(), MB_OK);
  return false;
}
