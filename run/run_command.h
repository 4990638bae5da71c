#pragma once
// Starts the Выполнить command with КоманднаяСтрока as its parameters and
// does not wait for it. Nothing at all happens for an empty command.
#include <windows.h>

class SyncConfig;

// A command that cannot be started is logged and told in a worker's box
// owned by `window` (null when there is none): the user is waiting for the
// client. False when a command could not be started.
bool RunCommand(HWND window, const SyncConfig& config);
