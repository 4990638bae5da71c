#pragma once
#include <cstddef>

class SyncConfig;

// Reads the six list sections ([Игнорировать], [Обновлять],
// [СтрогоСинхронизировать], [Пропустить существующие], [Вырезать],
// [Проверить пары]) into `config`, using the caller's work buffer. False on
// a [Проверить пары] line the reader cannot parse; the line is logged.
[[nodiscard]] bool ReadRuleLists(SyncConfig& config, const char* iniPath, char* workBuffer,
                                 std::size_t workBufferSize);
