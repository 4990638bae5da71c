#pragma once

class IniDocument;
class SyncConfig;

// Reads the six list sections ([Игнорировать], [Обновлять],
// [СтрогоСинхронизировать], [Пропустить существующие], [Вырезать],
// [Проверить пары]) into `config`. False on an entry that holds characters
// Windows-1251 lacks, or on a [Проверить пары] line the reader cannot parse;
// one line is logged, and the lists read before stay.
[[nodiscard]] bool ReadRuleLists(SyncConfig& config, const char* iniPath, const IniDocument& ini);
