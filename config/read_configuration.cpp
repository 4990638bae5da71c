// ReadConfiguration: [Основные параметры] into SyncConfig, in the order the
// settings depend on each other: the target first (the logs live there),
// then the source, then the switches and texts, then the list sections.
#include <windows.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "win32/message_box.h"
#include "config/directory_path.h"
#include "config/final_path_forms.h"
#include "config/full_path.h"
#include "config/rule_lists.h"
#include "config/source_directory.h"
#include "config/sync_config.h"
#include "config/yes_no.h"
#include "fileops/create_directory_path.h"
#include "log/logs.h"
#include "win32/run_lock.h"

namespace {

constexpr const char* kMainSection = "Основные параметры";
constexpr const char* kDefaultTargetDir = "C:\\Каду++ Клиент";
constexpr const char* kDefaultProgram = "kadu.exe";

class IniFile {
 public:
  explicit IniFile(const char* path) : path_(path), work_(kWorkBufferSize, '\0') {}

  // The value of a key of the main section, or `fallback` when the key is
  // absent. The profile reader trims blanks and one pair of quotes.
  const char* Value(const char* key, const char* fallback) {
    GetPrivateProfileStringA(kMainSection, key, fallback, work_.data(),
                             static_cast<DWORD>(work_.size()), path_);
    return work_.data();
  }

  // Same, into one of the configuration's own 1024-byte fields. The value
  // is read whole first: read straight into the field, a longer one would
  // be cut without a word and name another program or other arguments.
  // False, with one error line and `field` left empty, when it does not fit.
  [[nodiscard]] bool ValueInto(const char* key, const char* fallback, char (&field)[kPathSize]) {
    field[0] = '\0';
    const char* value = Value(key, fallback);
    const std::size_t length = std::strlen(value);
    if (length > kPathSize - 1) {
      ErrorLog() << "Ошибка, значение ключа \"" << key << "\" длиннее " << kPathSize - 1
                 << " символов. Синхронизация невозможна." << std::endl;
      return false;
    }
    std::memcpy(field, value, length + 1);
    return true;
  }

  bool YesNo(const char* key, bool current) { return IsYes(Value(key, YesNoText(current))); }

  std::vector<char>& WorkBuffer() { return work_; }

 private:
  const char* path_;
  std::vector<char> work_;
};

// An empty directory would mean synchronising "no path at all": a value that
// does not fit its field is refused in the same words as a missing one.
void RefuseTarget() {
  ShowProgramBox("Ошибка, не задан путь к каталогу приемнику. Синхронизация невозможна.",
                 MB_OK | MB_ICONWARNING);
}

// A directory in the system's full form with one trailing backslash;
// false, leaving `field` empty, when it has none or it is too long for the
// field. Normalised before anything uses it: "%HOMEDRIVE%%HOMEPATH%\x" with
// HOMEPATH "\" is "H:\\x", and neither that, nor "..", nor a relative
// directory survives the "\\?\" prefix of the long-path copy or matches a
// process path in the running check.
bool StoreFullDirectory(const char* path, char (&field)[kPathSize]) {
  field[0] = '\0';
  std::string full;
  if (!MakeFullPath(path, full)) return false;
  NormaliseDirectoryPath(field, full.c_str());
  return field[0] != '\0';
}

// The target with environment variables expanded, in full form; false,
// leaving `field` empty, for an empty value, an expansion that does not fit
// 1024 bytes or a result too long for the field.
bool StoreTargetDir(const char* value, char (&field)[kPathSize]) {
  field[0] = '\0';
  if (value[0] == '\0') return false;
  char expanded[kPathSize];
  const DWORD size = ExpandEnvironmentStringsA(value, expanded, kPathSize);
  if (size == 0 || size > kPathSize) return false;
  return StoreFullDirectory(expanded, field);
}

// Empty or too long for the field: both leave the source unusable.
void RefuseSource() {
  ErrorLog() << "Ошибка, не указан путь к каталогу источнику. "
             << " Синхронизация невозможна." << std::endl;
}

// КаталогИсточник (default: the current directory), not expanded, only
// made full.
bool StoreSourceDir(IniFile& ini, char (&field)[kPathSize]) {
  char currentDir[kPathSize] = "";
  const DWORD currentSize = GetCurrentDirectoryA(kPathSize, currentDir);
  if (currentSize == 0 || currentSize >= kPathSize) currentDir[0] = '\0';
  return StoreFullDirectory(ini.Value("КаталогИсточник", currentDir), field);
}

// Whether reading the configuration prepares the target for a run.
enum class TargetUse { Run, LookOnly };

// The whole configuration into `config`. For a run the target directory is
// created and the logs opened there as soon as it is known, so that
// everything after is logged; looking only leaves the disk as it is.
bool ReadInto(SyncConfig& config, const char* iniPath, TargetUse use) {
  IniFile ini(iniPath);

  if (!StoreTargetDir(ini.Value("КаталогПриемник", kDefaultTargetDir), config.targetDir)) {
    RefuseTarget();
    return false;
  }
  if (use == TargetUse::Run) {
    CreateDirectoryPath(config.targetDir);  // throws; the entry reports it
    // Before the logs: opening them empties them, and they may be another
    // run's, still being written.
    // Named after the target as the file system finally resolves it (the
    // last of its forms, the directory exists by now).
    if (!TakeTargetRunLock(FinalPathForms(std::string(config.targetDir)).back(), config.targetRunLock)) {
      config.anotherRunOnTarget = true;
      return false;
    }
    OpenLogs(config.targetDir);
  }

  if (!StoreSourceDir(ini, config.sourceDir)) {
    RefuseSource();
    return false;
  }

  config.writeStatistics = ini.YesNo("ВыводитьСтатистикуСинхронизации", config.writeStatistics);
  if (!config.writeStatistics) CloseStatsLogEarly();

  config.clearReadOnly = ini.YesNo("СниматьReadOnly", config.clearReadOnly);
  config.deleteUnneeded = ini.YesNo("УдалятьНенужныеФайлы", config.deleteUnneeded);
  if (!ini.ValueInto("Выполнить", kDefaultProgram, config.runCommand) ||
      !ini.ValueInto("КоманднаяСтрока", "", config.runArguments)) {
    return false;
  }
  config.askOnError = !IsNo(ini.Value("ВопросПриОшибке", YesNoText(config.askOnError)));
  if (!ini.ValueInto("ПроверятьЗапущеноЛиУже", kDefaultProgram, config.runningCheckName)) return false;
  config.usePublishedListing =
      !IsNo(ini.Value("ИспользоватьСписокИсточника", YesNoText(config.usePublishedListing)));

  return ReadRuleLists(config, iniPath, ini.WorkBuffer());
}

}  // namespace

bool ReadSourceDirectory(const char* iniPath, char (&sourceDir)[kPathSize]) {
  IniFile ini(iniPath);
  return StoreSourceDir(ini, sourceDir);
}

bool SyncConfig::ReadConfiguration(const char* iniPath) { return ReadInto(*this, iniPath, TargetUse::Run); }

bool SyncConfig::ReadConfigurationOnly(const char* iniPath) {
  return ReadInto(*this, iniPath, TargetUse::LookOnly);
}
