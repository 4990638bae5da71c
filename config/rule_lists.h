#pragma once
#include <vector>

class SyncConfig;

// Reads the six list sections ([Игнорировать], [Обновлять],
// [СтрогоСинхронизировать], [Пропустить существующие], [Вырезать],
// [Проверить пары]) into `config`, using the caller's work buffer, which
// grows for a section that does not fit it. False on a [Проверить пары]
// line the reader cannot parse; the line is logged.
[[nodiscard]] bool ReadRuleLists(SyncConfig& config, const char* iniPath,
                                 std::vector<char>& workBuffer);
