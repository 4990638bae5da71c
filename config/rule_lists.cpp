#include "config/rule_lists.h"

#include <string>
#include <utility>

#include "config/ini_document.h"
#include "config/list_sections.h"
#include "config/sync_config.h"
#include "log/logs.h"

namespace {

// The section's lines; false, with one error line, when an entry (not a
// comment) holds characters Windows-1251 lacks: it could name no file of
// the system, and a rule left out could let the run copy over or delete
// what it protects.
bool ReadSection(const IniDocument& ini, const char* section, IniSectionLines& lines) {
  lines = ini.Section(section);
  for (const std::size_t start : lines.unfit) {
    if (IsSectionEntry(lines.text.c_str() + start)) {
      ErrorLog() << "Ошибка, строка секции [" << section
                 << "] содержит символы, которых нет в кодировке Windows-1251. Синхронизация невозможна."
                 << EndLine;
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadRuleLists(SyncConfig& config, const char* iniPath, const IniDocument& ini) {
  IniSectionLines lines;
  if (!ReadSection(ini, "Игнорировать", lines)) return false;
  if (lines.text.empty()) {
    // Without the section the program's own files are left alone.
    config.ignoreList = {"velkarin.err", "velkarin.out", "velkarin.exe"};
  } else {
    AppendSectionEntries(lines.text.data(), lines.text.size(), config.ignoreList);
  }

  if (!ReadSection(ini, "Обновлять", lines)) return false;
  config.updateListInForce = AppendSectionEntries(lines.text.data(), lines.text.size(), config.updateList) > 0;

  if (!ReadSection(ini, "СтрогоСинхронизировать", lines)) return false;
  AppendSectionEntries(lines.text.data(), lines.text.size(), config.strictList);

  if (!ReadSection(ini, "Пропустить существующие", lines)) return false;
  AppendSectionEntries(lines.text.data(), lines.text.size(), config.skipExistingList);

  if (!ReadSection(ini, "Вырезать", lines)) return false;
  AppendSectionEntries(lines.text.data(), lines.text.size(), config.cutList);

  if (!ReadSection(ini, "Проверить пары", lines)) return false;
  bool parsed = true;
  ForEachSectionEntry(lines.text.data(), lines.text.size(), [&](const std::string& line) {
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
               << "невозможно определить путь-приемник в секции [Проверить пары]" << EndLine;
  }
  return parsed;
}
