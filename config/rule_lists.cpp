#include "config/rule_lists.h"

#include <windows.h>

#include <ostream>

#include "config/list_sections.h"
#include "config/sync_config.h"
#include "log/logs.h"

namespace {

// Sections read whole, however long: the profile reader cuts a section at
// the buffer's end without saying so, and a rule cut off could let the run
// copy over or delete what an entry further down protects.
constexpr std::size_t kLargestSection = 64u << 20;

// The section's lines, zero-terminated one after another; the length
// returned excludes the final extra zero (0: absent or without lines).
std::size_t ReadSection(const char* section, const char* iniPath, std::vector<char>& buffer) {
  for (;;) {
    const std::size_t length =
        GetPrivateProfileSectionA(section, buffer.data(), static_cast<DWORD>(buffer.size()), iniPath);
    // A section that fills the buffer to its last two bytes was cut.
    if (length + 2 < buffer.size() || buffer.size() >= kLargestSection) return length;
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

bool ReadRuleLists(SyncConfig& config, const char* iniPath, std::vector<char>& work) {
  const auto read = [&](const char* section) { return ReadSection(section, iniPath, work); };
  std::size_t length = read("Игнорировать");
  if (length == 0) {
    // Without the section the program's own files are left alone.
    config.ignoreList = {"velkarin.err", "velkarin.out", "velkarin.exe"};
  } else {
    AppendSectionEntries(work.data(), length, config.ignoreList);
  }

  length = read("Обновлять");
  config.updateListInForce = AppendSectionEntries(work.data(), length, config.updateList) > 0;

  length = read("СтрогоСинхронизировать");
  AppendSectionEntries(work.data(), length, config.strictList);

  length = read("Пропустить существующие");
  AppendSectionEntries(work.data(), length, config.skipExistingList);

  length = read("Вырезать");
  AppendSectionEntries(work.data(), length, config.cutList);

  length = read("Проверить пары");
  bool parsed = true;
  ForEachSectionEntry(work.data(), length, [&](const std::string& line) {
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
