#include "config/rule_lists.h"

#include <windows.h>

#include <ostream>

#include "config/list_sections.h"
#include "config/sync_config.h"
#include "log/logs.h"

namespace {

// The section's lines, zero-terminated one after another; the length
// returned excludes the final extra zero (0: absent or without lines).
std::size_t ReadSection(const char* section, const char* iniPath, char* buffer, std::size_t size) {
  return GetPrivateProfileSectionA(section, buffer, static_cast<DWORD>(size), iniPath);
}

}  // namespace

bool ReadRuleLists(SyncConfig& config, const char* iniPath, char* buffer, std::size_t size) {
  std::size_t length = ReadSection("Игнорировать", iniPath, buffer, size);
  if (length == 0) {
    // Without the section the program's own files are left alone.
    config.ignoreList = {"velkarin.err", "velkarin.out", "velkarin.exe"};
  } else {
    AppendSectionEntries(buffer, length, config.ignoreList);
  }

  length = ReadSection("Обновлять", iniPath, buffer, size);
  config.updateListInForce = AppendSectionEntries(buffer, length, config.updateList) > 0;

  length = ReadSection("СтрогоСинхронизировать", iniPath, buffer, size);
  AppendSectionEntries(buffer, length, config.strictList);

  length = ReadSection("Пропустить существующие", iniPath, buffer, size);
  AppendSectionEntries(buffer, length, config.skipExistingList);

  length = ReadSection("Вырезать", iniPath, buffer, size);
  AppendSectionEntries(buffer, length, config.cutList);

  length = ReadSection("Проверить пары", iniPath, buffer, size);
  bool parsed = true;
  ForEachSectionEntry(buffer, length, [&](const std::string& line) {
    CheckPair pair;
    if (!ParseCheckPair(line, pair)) {
      parsed = false;
      return false;
    }
    config.checkPairs.push_back(std::move(pair));
    return true;
  });
  if (!parsed) {
    ErrorLog() << "Ошибка в \"" << iniPath << "\" "
               << "невозможно определить путь-приемник в секции [Проверить пары]" << std::endl;
  }
  return parsed;
}
