// ReadConfiguration: [Основные параметры] into SyncConfig, in the order the
// settings depend on each other: the target first (the logs live there),
// then the source, then the switches and texts, then the list sections.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "config/directory_path.h"
#include "config/final_path_forms.h"
#include "config/full_path.h"
#include "config/held_file_wait.h"
#include "config/ini_file.h"
#include "config/picture_setting.h"
#include "config/rule_lists.h"
#include "config/source_directory.h"
#include "config/sync_config.h"
#include "config/yes_no.h"
#include "log/logs.h"
#include "win32/create_directory_path.h"
#include "win32/message_box.h"
#include "win32/run_lock.h"

namespace {

constexpr const char* kMainSection = "Основные параметры";
constexpr const char* kDefaultTargetDir = "C:\\Каду++ Клиент";
constexpr const char* kDefaultProgram = "kadu.exe";

// A value with a character that Windows-1251 lacks could name no path or
// program of this system: it is refused, never taken with "?" in its place.
std::string NotWindows1251Text(const char* key) {
  return std::string("Ошибка, значение ключа \"") + key +
         "\" содержит символы, которых нет в кодировке Windows-1251. Синхронизация невозможна.";
}

// The main section's keys, once the logs are open: a value that cannot be
// used is refused with one error line.
class MainSection {
 public:
  explicit MainSection(const IniDocument& document) : document_(document) {}

  // The value of a key of the main section, or `fallback` when the key is
  // absent, read as the profile reader always read it (into its work buffer:
  // blanks and one pair of quotes trimmed). False, with one error line,
  // when it does not fit Windows-1251.
  [[nodiscard]] bool Value(const char* key, const char* fallback, std::string& value) {
    IniValue read = document_.Value(kMainSection, key, fallback, kWorkBufferSize);
    value = std::move(read.text);
    if (!read.fits) ErrorLog() << NotWindows1251Text(key) << EndLine;
    return read.fits;
  }

  // Same, into one of the configuration's own 1024-byte fields. The value
  // is read whole first: read straight into the field, a longer one would
  // be cut without a word and name another program or other arguments.
  // False, with one error line and `field` left empty, when it does not fit.
  [[nodiscard]] bool ValueInto(const char* key, const char* fallback, char (&field)[kPathSize]) {
    field[0] = '\0';
    std::string value;
    if (!Value(key, fallback, value)) return false;
    if (value.size() > kPathSize - 1) {
      ErrorLog() << "Ошибка, значение ключа \"" << key << "\" длиннее " << kPathSize - 1
                 << " символов. Синхронизация невозможна." << EndLine;
      return false;
    }
    std::memcpy(field, value.c_str(), value.size() + 1);
    return true;
  }

  // A switch that is on only when it reads "да".
  [[nodiscard]] bool YesOnly(const char* key, bool& field) {
    std::string value;
    if (!Value(key, YesNoText(field), value)) return false;
    field = IsYes(value.c_str());
    return true;
  }

  // A switch that is on unless it reads "нет".
  [[nodiscard]] bool UnlessNo(const char* key, bool& field) {
    std::string value;
    if (!Value(key, YesNoText(field), value)) return false;
    field = !IsNo(value.c_str());
    return true;
  }

 private:
  const IniDocument& document_;
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
             << " Синхронизация невозможна." << EndLine;
}

// КаталогИсточник (default: the current directory), not expanded, only
// made full.
SourceDirectoryRead StoreSourceDir(const IniDocument& document, char (&field)[kPathSize]) {
  field[0] = '\0';
  char currentDir[kPathSize] = "";
  const DWORD currentSize = GetCurrentDirectoryA(kPathSize, currentDir);
  if (currentSize == 0 || currentSize >= kPathSize) currentDir[0] = '\0';
  const IniValue value = document.Value(kMainSection, "КаталогИсточник", currentDir, kWorkBufferSize);
  if (!value.fits) return SourceDirectoryRead::NotWindows1251;
  return StoreFullDirectory(value.text.c_str(), field) ? SourceDirectoryRead::Read : SourceDirectoryRead::NotSet;
}

// ЖурналЗапусков: the folder with environment variables expanded, a
// folder that is not a full path lying in the target; and in it the file
// of this computer.
std::string RunRecordFile(const std::string& value, const char* targetDir) {
  if (value.empty()) return value;
  std::string folder = SettingPath(value, targetDir);
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  char computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD computerSize = sizeof(computer);
  if (!GetComputerNameA(computer, &computerSize)) std::snprintf(computer, sizeof(computer), "velkarin");
  return folder + (folder.back() == '\\' ? "" : "\\") + computer + ".log";
}

// The keys for runs on many workstations: how long to wait for held files,
// the start with the share away, and the run record.
bool ReadOperationKeys(MainSection& ini, SyncConfig& config) {
  std::string value;
  if (!ini.Value("ОжиданиеЗанятыхФайлов", "", value)) return false;
  HeldFileWait wait;
  if (!ParseHeldFileWait(value, wait)) {
    ErrorLog() << "Ошибка, значение ключа \"ОжиданиеЗанятыхФайлов\" должно быть целым числом от 0 до "
               << kMostHeldFileWaitSeconds << ". Синхронизация невозможна." << EndLine;
    return false;
  }
  config.inUseWaitLeftMs = wait.budgetMs;
  config.inUseRetriesPerFile = wait.retriesPerFile;
  if (!ini.YesOnly("ЗапускПриНедоступномИсточнике", config.startWhenSourceAway)) return false;
  if (!ini.Value("ЖурналЗапусков", "", value)) return false;
  config.runRecordFile = RunRecordFile(value, config.targetDir);
  if (!ini.Value("КлючИздателя", "", value)) return false;
  if (!value.empty() && !ParsePublisherKeys(value, config.publisherKeys)) {
    ErrorLog() << "Ошибка, значение ключа \"КлючИздателя\" не является открытым ключом издателя "
                  "(или двумя ключами через запятую). Синхронизация невозможна." << EndLine;
    return false;
  }
  return true;
}

// Takes the run's hold on its target. A start that finds it held notes
// whether an unattended run holds it (to wait for that run); one whose
// holder was neither unattended nor is there any more (the holder ended
// between the two looks) tries once more.
bool TakeHold(SyncConfig& config) {
  if (TakeTargetRunLock(config.targetKey, config.unattended, config.targetRunLock)) return true;
  if (config.unattended) return false;
  config.heldByUnattendedRun = UnattendedRunHolds(config.targetKey);
  return !config.heldByUnattendedRun && TakeTargetRunLock(config.targetKey, false, config.targetRunLock);
}

// Whether reading the configuration prepares the target for a run.
enum class TargetUse { Run, LookOnly };

// The whole configuration into `config`. For a run the target directory is
// created and the logs opened there as soon as it is known, so that
// everything after is logged; looking only leaves the disk as it is.
bool ReadInto(SyncConfig& config, const char* iniPath, TargetUse use) {
  config.lookOnly = use == TargetUse::LookOnly;
  IniDocument document;
  unsigned long readError = 0;
  if (!LoadIniFile(iniPath, document, readError)) {
    ShowProgramBox(IniReadErrorText(iniPath, readError).c_str(), MB_OK | MB_ICONERROR);
    return false;
  }

  // Before the logs, which live in the target: a refusal is shown.
  const IniValue target = document.Value(kMainSection, "КаталогПриемник", kDefaultTargetDir, kWorkBufferSize);
  if (!target.fits) {
    ShowProgramBox(NotWindows1251Text("КаталогПриемник").c_str(), MB_OK | MB_ICONWARNING);
    return false;
  }
  if (!StoreTargetDir(target.text.c_str(), config.targetDir)) {
    RefuseTarget();
    return false;
  }
  if (use == TargetUse::Run) {
    CreateDirectoryPath(config.targetDir);  // throws; the entry reports it
    // Before the logs: opening them empties them, and they may be another
    // run's, still being written.
    // Named after the target as the file system finally resolves it (the
    // last of its forms, the directory exists by now).
    // A target another run holds is read to the end all the same (a start
    // that waits for an unattended run starts the client afterwards), but
    // without logs, which are that run's.
    config.targetKey = FinalPathForms(std::string(config.targetDir)).back();
    if (TakeHold(config)) {
      OpenLogs(config.targetDir);
    } else {
      config.anotherRunOnTarget = true;
    }
  }

  switch (StoreSourceDir(document, config.sourceDir)) {
    case SourceDirectoryRead::Read:
      break;
    case SourceDirectoryRead::NotWindows1251:
      ErrorLog() << NotWindows1251Text("КаталогИсточник") << EndLine;
      return false;
    case SourceDirectoryRead::NotSet:
    case SourceDirectoryRead::FileUnreadable:
      RefuseSource();
      return false;
  }

  MainSection ini(document);
  if (!ini.YesOnly("ВыводитьСтатистикуСинхронизации", config.writeStatistics)) return false;
  if (!config.writeStatistics) CloseStatsLogEarly();

  if (!ini.YesOnly("СниматьReadOnly", config.clearReadOnly) ||
      !ini.YesOnly("УдалятьНенужныеФайлы", config.deleteUnneeded) ||
      !ini.ValueInto("Выполнить", kDefaultProgram, config.runCommand) ||
      !ini.ValueInto("КоманднаяСтрока", "", config.runArguments) ||
      !ini.UnlessNo("ВопросПриОшибке", config.askOnError) ||
      !ini.ValueInto("ПроверятьЗапущеноЛиУже", kDefaultProgram, config.runningCheckName) ||
      !ini.UnlessNo("ИспользоватьСписокИсточника", config.usePublishedListing)) {
    return false;
  }

  if (!ReadOperationKeys(ini, config)) return false;
  if (!ReadRuleLists(config, iniPath, document)) return false;

  // The progress window reads its picture on its own; a name it cannot
  // use refuses the file like any other value.
  if (!document.Value(kPictureSection, kPictureKey, kDefaultPicture, kPathSize).fits) {
    ErrorLog() << NotWindows1251Text(kPictureKey) << EndLine;
    return false;
  }
  config.configurationRead = true;
  return !config.anotherRunOnTarget;
}

}  // namespace

SourceDirectoryRead ReadSourceDirectory(const char* iniPath, char (&sourceDir)[kPathSize],
                                        unsigned long& readError) {
  sourceDir[0] = '\0';
  IniDocument document;
  if (!LoadIniFile(iniPath, document, readError)) return SourceDirectoryRead::FileUnreadable;
  return StoreSourceDir(document, sourceDir);
}

bool SyncConfig::ReadConfiguration(const char* iniPath) { return ReadInto(*this, iniPath, TargetUse::Run); }

bool SyncConfig::ReadConfigurationOnly(const char* iniPath) {
  return ReadInto(*this, iniPath, TargetUse::LookOnly);
}
