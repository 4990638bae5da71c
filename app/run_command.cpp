#include "app/run_command.h"

#include <windows.h>
#include <shellapi.h>

#include <ostream>

#include "app/launch_paths.h"
#include "config/sync_config.h"
#include "log/logs.h"

void RunCommand(const SyncConfig& config) {
  if (config.runCommand[0] == '\0') return;
  const std::string directory = CommandWorkingDirectory(config.runCommand, config.targetDir);
  // A relative command is not joined to the target: the working directory
  // carries it.
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", config.runCommand, config.runArguments,
                    directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL));
  if (result >= 32) {
    StatsLog() << "Выполнение команды \"" << config.runCommand << "\" рабочий каталог \""
               << directory << "\"" << std::endl;
  } else {
    ErrorLog() << "Ошибка " << static_cast<long long>(result) << " выполнения команды \""
               << config.runCommand << "\" рабочий каталог \"" << directory << "\"" << std::endl;
  }
}
