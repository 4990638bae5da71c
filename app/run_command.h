#pragma once
// Starts the Выполнить command with КоманднаяСтрока as its parameters and
// does not wait for it. Nothing at all happens for an empty command.
class SyncConfig;

void RunCommand(const SyncConfig& config);
