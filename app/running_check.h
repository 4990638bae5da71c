#pragma once
// Is the configured application running? A process matches when the full
// path of its executable equals the resolved ПроверятьЗапущеноЛиУже path.
class SyncConfig;

// False when the name is empty or the process list cannot be read.
[[nodiscard]] bool IsApplicationRunning(const SyncConfig& config);
