#include "app/run_command.h"

#include <windows.h>
#include <shellapi.h>

#include <ostream>

#include "app/launch_paths.h"
#include "config/sync_config.h"
#include "log/logs.h"

namespace {

using ShellExecuteFunction = decltype(&ShellExecuteA);

// The shell library and everything it pulls in are loaded only when there
// is a command to start: most of a run's start-up time under Wine is
// library initialisation, and a run without a command needs none of it.
// The library stays loaded: what the shell started may still run its code.
HINSTANCE OpenWithShell(const char* command, const char* arguments, const char* directory) {
  HMODULE shell = LoadLibraryA("shell32.dll");
  const auto execute =
      shell != nullptr ? reinterpret_cast<ShellExecuteFunction>(
                             reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteA")))
                       : nullptr;
  if (execute == nullptr) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
  return execute(nullptr, "open", command, arguments, directory, SW_SHOWNORMAL);
}

}  // namespace

void RunCommand(const SyncConfig& config) {
  if (config.runCommand[0] == '\0') return;
  const std::string directory = CommandWorkingDirectory(config.runCommand, config.targetDir);
  // A relative command is not joined to the target: the working directory
  // carries it.
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      OpenWithShell(config.runCommand, config.runArguments,
                    directory.empty() ? nullptr : directory.c_str()));
  // Success is a value above 32; 32 itself is SE_ERR_DLLNOTFOUND, which
  // is also what a shell library that cannot be loaded gives.
  if (result > 32) {
    StatsLog() << "Выполнение команды \"" << config.runCommand << "\" рабочий каталог \""
               << directory << "\"" << std::endl;
  } else {
    ErrorLog() << "Ошибка " << static_cast<long long>(result) << " выполнения команды \""
               << config.runCommand << "\" рабочий каталог \"" << directory << "\"" << std::endl;
  }
}
