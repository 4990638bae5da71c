#pragma once
// Is the configured application running? A process matches when the full
// path of its executable equals the resolved ПроверятьЗапущеноЛиУже path.
#include <string>

class SyncConfig;

// The resolved ПроверятьЗапущеноЛиУже path in the system's full form: the
// path the check compares and the worker's questions name. Process paths
// are full and normal, so "bin\..\kadu.exe" or a doubled backslash would
// otherwise never match and the client's files be replaced under it.
[[nodiscard]] std::string CheckedExecutablePath(const SyncConfig& config);

// False when the name is empty or the process list cannot be read.
[[nodiscard]] bool IsApplicationRunning(const SyncConfig& config);
