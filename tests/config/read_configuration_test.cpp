// ReadConfiguration on real ini files in temporary directories, through the
// program's own ini reader.
#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/sync_config.h"
#include "log/logs.h"
#include "run/error_report.h"
#include "tests/support/test_support.h"
#include "win32/create_directory_path.h"
#include "win32/handles.h"

using namespace testing_support;

namespace {

using Strings = std::vector<std::string>;

// What a load left behind, captured after the logs were closed again.
struct Loaded {
  bool result = false;
  bool threw = false;
  std::string thrown;
  unsigned long thrownError = 0;
  // At the throw: neither log was attached, nor tried and given up on (a
  // log that cannot be created leaves its log discarding).
  bool logsUntouchedAtThrow = false;
  bool clearReadOnly = false, deleteUnneeded = false, askOnError = false, writeStatistics = false;
  std::string runCommand, runArguments, runningCheckName, sourceDir, targetDir;
  std::optional<std::string> errorLog, statsLog;  // as they were before teardown
  std::vector<std::string> ignoreList, updateList, strictList, skipExistingList, cutList;
  bool updateListInForce = false;
  std::vector<std::pair<std::string, std::string>> checkPairs;  // target, source
};

// Loads the ini file at `iniPath`; the logs are read before the
// configuration is destroyed, and the streams are restored before anything
// is asserted. With `reportThrown`, a thrown creation error is reported
// there and then, with the logs as the load left them, as the program's
// entry reports it.
Loaded LoadFile(const std::string& iniPath, bool reportThrown = false) {
  Loaded loaded;
  StdStreamGuard guard;
  {
    SyncConfig config;
    try {
      loaded.result = config.ReadConfiguration(iniPath.c_str());
    } catch (const DirectoryCreationError& error) {
      loaded.threw = true;
      loaded.thrown = error.text;
      loaded.thrownError = error.systemError;
      loaded.logsUntouchedAtThrow = !ErrorLogReachesFile() && !ErrorLog().Discarding() && !StatsLog().Discarding();
      if (reportThrown) ReportThrownText(error.systemError, error.text);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    loaded.clearReadOnly = config.clearReadOnly;
    loaded.deleteUnneeded = config.deleteUnneeded;
    loaded.askOnError = config.askOnError;
    loaded.writeStatistics = config.writeStatistics;
    loaded.runCommand = config.runCommand;
    loaded.runArguments = config.runArguments;
    loaded.runningCheckName = config.runningCheckName;
    loaded.sourceDir = config.sourceDir;
    loaded.targetDir = config.targetDir;
    loaded.ignoreList = config.ignoreList;
    loaded.updateList = config.updateList;
    loaded.strictList = config.strictList;
    loaded.skipExistingList = config.skipExistingList;
    loaded.cutList = config.cutList;
    loaded.updateListInForce = config.updateListInForce;
    for (const CheckPair& pair : config.checkPairs)
      loaded.checkPairs.emplace_back(pair.targetName, pair.sourceName);
    if (!loaded.targetDir.empty()) {
      loaded.errorLog = ReadFileBytes(loaded.targetDir + "velkarin.err");
      loaded.statsLog = ReadFileBytes(loaded.targetDir + "velkarin.out");
    }
  }
  return loaded;
}

// Writes `ini` (Windows-1251 text with LF line ends) as "test.ini" with CR LF
// line ends, and loads it.
Loaded Load(const TempDir& dir, const std::string& ini, bool reportThrown = false) {
  const std::string iniPath = dir / "test.ini";
  WriteFileBytes(iniPath, WithCrLf(ini));
  return LoadFile(iniPath, reportThrown);
}

std::string CurrentDir() {
  char buffer[4096];
  const DWORD length = GetCurrentDirectoryA(sizeof(buffer), buffer);
  return std::string(buffer, length);
}

void ExpectAllDefaults(const Loaded& loaded, const std::string& sourceDir) {
  EXPECT_TRUE(loaded.result);
  EXPECT_FALSE(loaded.threw) << loaded.thrown;
  EXPECT_EQ(loaded.targetDir, "C:\\Каду++ Клиент\\");
  EXPECT_EQ(loaded.sourceDir, sourceDir);
  EXPECT_FALSE(loaded.writeStatistics);
  EXPECT_TRUE(loaded.clearReadOnly);
  EXPECT_FALSE(loaded.deleteUnneeded);
  EXPECT_TRUE(loaded.askOnError);
  EXPECT_EQ(loaded.runCommand, "kadu.exe");
  EXPECT_EQ(loaded.runArguments, "");
  EXPECT_EQ(loaded.runningCheckName, "kadu.exe");
}

}  // namespace

TEST(ReadConfiguration, EmptyMainSectionGivesEveryDefault) {
  TempDir dir("cfg");
  DefaultTargetGuard defaultTarget;
  ScopedCurrentDir cwd(dir.Path());
  const Loaded loaded = Load(dir, "[Основные параметры]\n");
  ExpectAllDefaults(loaded, dir.Path() + "\\");
  EXPECT_TRUE(IsDirectory("C:\\Каду++ Клиент")) << "the default target is created";
  EXPECT_FALSE(Exists("C:\\Каду++ Клиент\\velkarin.err")) << "empty logs are removed";
  EXPECT_FALSE(Exists("C:\\Каду++ Клиент\\velkarin.out"));
}

TEST(ReadConfiguration, TheDefaultTemplateReadsBackAsAllDefaults) {
  TempDir dir("tpl");
  DefaultTargetGuard defaultTarget;
  ScopedCurrentDir cwd(dir.Path());
  const std::optional<std::string> bytes = ReadFileBytes(VELKARIN_TEMPLATE_PATH);
  ASSERT_TRUE(bytes.has_value());
  ASSERT_EQ(bytes->size(), 5624u);
  WriteFileBytes(dir / "velkarin.ini", *bytes);
  const Loaded loaded = LoadFile(dir / "velkarin.ini");
  ExpectAllDefaults(loaded, dir.Path() + "\\");
  EXPECT_EQ(loaded.ignoreList, (Strings{"velkarin.err", "velkarin.out", "velkarin.exe"}));
  EXPECT_EQ(loaded.strictList, Strings{"Модули"});
  EXPECT_TRUE(loaded.updateList.empty());
  EXPECT_FALSE(loaded.updateListInForce);
  EXPECT_TRUE(loaded.cutList.empty());
  EXPECT_TRUE(loaded.skipExistingList.empty());
  EXPECT_TRUE(loaded.checkPairs.empty());
}

TEST(ReadConfiguration, YesNoSwitchesFollowTheRussianWordsOnly) {
  TempDir dir("yn");
  struct Case {
    const char* value;
    bool yes;  // for the three "yes only if да" switches
    bool ask;  // ВопросПриОшибке: "yes unless нет"
  };
  const Case cases[] = {{"да", true, true},   {"Да", true, true},   {"ДА", true, true},
                        {"нет", false, false}, {"Нет", false, false}, {"НЕТ", false, false},
                        {"yes", false, true},  {"no", false, true},   {"", false, true},
                        {"1", false, true}};
  for (const Case& c : cases) {
    const std::string v = c.value;
    const Loaded loaded =
        Load(dir, "[Основные параметры]\nКаталогПриемник=" + (dir / "target") +
                      "\nКаталогИсточник=" + dir.Path() + "\nВыводитьСтатистикуСинхронизации=" +
                      v + "\nСниматьReadOnly=" + v + "\nУдалятьНенужныеФайлы=" + v +
                      "\nВопросПриОшибке=" + v + "\n");
    ASSERT_TRUE(loaded.result) << c.value;
    EXPECT_EQ(loaded.writeStatistics, c.yes) << "'" << c.value << "'";
    EXPECT_EQ(loaded.clearReadOnly, c.yes) << "'" << c.value << "'";
    EXPECT_EQ(loaded.deleteUnneeded, c.yes) << "'" << c.value << "'";
    EXPECT_EQ(loaded.askOnError, c.ask) << "'" << c.value << "'";
  }
}

TEST(ReadConfiguration, TargetIsExpandedAndSourceIsNot) {
  TempDir dir("env");
  ScopedCurrentDir cwd(dir.Path());
  ScopedEnv env("VELKARIN_TEST_DIR", dir.Path());
  const Loaded loaded = Load(dir,
                             "[Основные параметры]\n"
                             "КаталогПриемник=%VELKARIN_TEST_DIR%\\x\n"
                             "КаталогИсточник=%VELKARIN_TEST_DIR%\n"
                             "Выполнить = Bin\\Каду.exe \n"
                             "КоманднаяСтрока=\"-a -b\"\n"
                             "ПроверятьЗапущеноЛиУже=\n");
  ASSERT_TRUE(loaded.result);
  EXPECT_EQ(loaded.targetDir, dir.Path() + "\\x\\");
  EXPECT_TRUE(IsDirectory(dir / "x"));
  EXPECT_EQ(loaded.sourceDir, dir.Path() + "\\%VELKARIN_TEST_DIR%\\")
      << "unexpanded, and so a name relative to the current directory";
  EXPECT_EQ(loaded.runCommand, "Bin\\Каду.exe") << "the profile reader trims blanks";
  EXPECT_EQ(loaded.runArguments, "-a -b") << "and one pair of quotes";
  EXPECT_EQ(loaded.runningCheckName, "");
}

TEST(ReadConfiguration, TrailingBackslashIsNotDoubled) {
  TempDir dir("bs");
  const Loaded loaded = Load(dir, "[Основные параметры]\nКаталогПриемник=" + (dir / "t\\") +
                                      "\nКаталогИсточник=" + dir.Path() + "\\\n");
  ASSERT_TRUE(loaded.result);
  EXPECT_EQ(loaded.targetDir, dir.Path() + "\\t\\");
  EXPECT_EQ(loaded.sourceDir, dir.Path() + "\\");
}

TEST(ReadConfiguration, EmptyOrOverlongSourceIsLoggedAndRefused) {
  TempDir dir("src");
  const std::string line =
      "Ошибка, не указан путь к каталогу источнику.  Синхронизация невозможна.\r\n";
  for (const std::string& value : {std::string(), "C:\\" + std::string(1100, 's')}) {
    const Loaded loaded = Load(dir, "[Основные параметры]\nКаталогПриемник=" + (dir / "t") +
                                        "\nКаталогИсточник=" + value + "\n");
    EXPECT_FALSE(loaded.result) << value.size();
    EXPECT_EQ(loaded.sourceDir, "");
    EXPECT_EQ(loaded.errorLog.value_or("<none>"), line);
    EXPECT_TRUE(Exists(dir / "t\\velkarin.err")) << "an error log with a line stays";
    EXPECT_FALSE(Exists(dir / "t\\velkarin.out"));
  }
}

TEST(ReadConfiguration, EmptyOrOverlongTargetIsRefusedWithTheBox) {
  TempDir dir("tgt");
  ScopedEnv longValue("VELKARIN_LONG", "C:\\" + std::string(1030, 'e'));
  const std::string values[] = {
      "",                               // present but empty
      "C:\\" + std::string(1020, 'l'),  // fits 1023 only without the backslash
      "%VELKARIN_LONG%",                // the expansion does not fit 1024 bytes
  };
  for (const std::string& value : values) {
    BoxAnswerer box("velkarin", "ok");
    const Loaded loaded = Load(dir, "[Основные параметры]\nКаталогПриемник=" + value +
                                        "\nКаталогИсточник=" + dir.Path() + "\n");
    const BoxReport report = box.Finish();
    EXPECT_FALSE(loaded.result) << value;
    EXPECT_FALSE(loaded.threw) << loaded.thrown;
    EXPECT_EQ(loaded.targetDir, "");
    ASSERT_TRUE(report.shown) << value;
    EXPECT_EQ(report.text,
              "Ошибка, не задан путь к каталогу приемнику. Синхронизация невозможна.");
    EXPECT_EQ(report.icon, "warning");
    EXPECT_EQ(report.buttons, "ok");
  }
}

TEST(ReadConfiguration, TargetThatCannotBeCreatedThrowsBeforeAnyLog) {
  TempDir dir("blk");
  WriteFileBytes(dir / "file", "x");
  const std::string ini = "[Основные параметры]\nКаталогПриемник=" + (dir / "file\\sub") +
                          "\nКаталогИсточник=" + dir.Path() + "\n";
  BoxAnswerer box("velkarin", "ok");
  const Loaded loaded = Load(dir, ini, /*reportThrown=*/true);
  const BoxReport report = box.Finish();
  ASSERT_TRUE(loaded.threw);
  const std::string text =
      "невозможно создать каталог \"" + (dir / "file") + "\" т.к. найден файл с тем же именем";
  EXPECT_EQ(loaded.thrown, text);
  EXPECT_EQ(loaded.thrownError, static_cast<unsigned long>(ERROR_ALREADY_EXISTS));
  // The logs live in the target, so they are opened only once it exists:
  // trying them first would leave both streams discarding everything.
  EXPECT_TRUE(loaded.logsUntouchedAtThrow) << "a log was opened or tried before the target existed";
  // With no log to take it, the report is shown, so the user learns why.
  ASSERT_TRUE(report.shown) << "the thrown text was not shown";
  EXPECT_EQ(report.text, "Ошибка [183], " + text);
  EXPECT_EQ(report.icon, "error");
  // Nothing was written anywhere: the file in the way is as it was.
  EXPECT_EQ(ReadTree(dir.Path()), (std::map<std::string, std::string>{{"file", "x"}, {"test.ini", WithCrLf(ini)}}));
}

TEST(ReadConfiguration, DirectoriesAreStoredInTheSystemsFullForm) {
  TempDir dir("full");
  ScopedCurrentDir cwd(dir.Path());
  // "%HOMEDRIVE%%HOMEPATH%\x" with HOMEPATH "\" gives a doubled backslash.
  ScopedEnv drive("VELKARIN_DRIVE", dir.Path().substr(0, 2));
  ScopedEnv home("VELKARIN_HOME", "\\");
  const std::string belowDrive = dir.Path().substr(3);
  struct Case {
    std::string target, source;  // as written
    std::string targetDir, sourceDir;
  };
  const Case cases[] = {
      {"rel\\Приемник", ".", dir / "rel\\Приемник\\", dir.Path() + "\\"},
      {dir / "x\\..\\Приемник", dir / "Источник\\.\\..\\Источник", dir / "Приемник\\",
       dir / "Источник\\"},
      {"%VELKARIN_DRIVE%%VELKARIN_HOME%\\" + belowDrive + "\\\\Приемник\\\\", dir.Path() + "/Источник",
       dir / "Приемник\\", dir / "Источник\\"},
      // Already full and normal: byte for byte as written.
      {dir / "Приемник", dir / "Источник\\", dir / "Приемник\\", dir / "Источник\\"},
  };
  for (const Case& c : cases) {
    const Loaded loaded =
        Load(dir, "[Основные параметры]\nКаталогПриемник=" + c.target + "\nКаталогИсточник=" + c.source + "\n");
    ASSERT_TRUE(loaded.result) << c.target;
    EXPECT_EQ(loaded.targetDir, c.targetDir) << c.target;
    EXPECT_EQ(loaded.sourceDir, c.sourceDir) << c.source;
  }
  EXPECT_TRUE(IsDirectory(dir / "rel\\Приемник"));
  EXPECT_FALSE(Exists(dir / "x")) << "the target was created in its full form only";
  EXPECT_EQ(CurrentDir(), dir.Path());
}

TEST(ReadConfiguration, CommandTextsLongerThanTheirFieldsAreRefusedWhole) {
  TempDir dir("long");
  const std::string main =
      "[Основные параметры]\nКаталогПриемник=" + (dir / "t") + "\nКаталогИсточник=" + dir.Path() + "\n";
  const char* keys[] = {"Выполнить", "КоманднаяСтрока", "ПроверятьЗапущеноЛиУже"};
  for (const char* key : keys) {
    // 1023 characters fill the field exactly and are taken unchanged.
    const std::string fits = "a\\" + std::string(1018, 'b') + ".ex";
    ASSERT_EQ(fits.size(), 1023u);
    Loaded loaded = Load(dir, main + key + "=" + fits + "\n");
    EXPECT_TRUE(loaded.result) << key;
    const std::string& field = std::string(key) == "Выполнить"         ? loaded.runCommand
                               : std::string(key) == "КоманднаяСтрока" ? loaded.runArguments
                                                                       : loaded.runningCheckName;
    EXPECT_EQ(field, fits) << key;
    EXPECT_EQ(loaded.errorLog.value_or(""), "") << key;

    // One more would have been cut to another name: the file is refused.
    loaded = Load(dir, main + key + "=" + fits + "e\n");
    EXPECT_FALSE(loaded.result) << key;
    EXPECT_EQ(loaded.errorLog.value_or("<none>"), std::string("Ошибка, значение ключа \"") + key +
                                                      "\" длиннее 1023 символов. Синхронизация невозможна.\r\n")
        << key;
  }
}

TEST(ReadConfiguration, ListSectionsAreReadInFileOrder) {
  TempDir dir("lists");
  const std::string main = "[Основные параметры]\nКаталогПриемник=" + (dir / "t") +
                           "\nКаталогИсточник=" + dir.Path() + "\n";
  // No [Игнорировать]: the program's own files; comment-only [Обновлять].
  Loaded loaded = Load(dir, main + "[Обновлять]\n# только комментарий\n[Вырезать]\nold\\x.dll\nold\n"
                                   "[Пропустить существующие]\nНастройки.ini\n"
                                   "[СтрогоСинхронизировать]\nМодули\nBin\\Plugins\n");
  ASSERT_TRUE(loaded.result);
  EXPECT_EQ(loaded.ignoreList, (Strings{"velkarin.err", "velkarin.out", "velkarin.exe"}));
  EXPECT_FALSE(loaded.updateListInForce);
  EXPECT_EQ(loaded.cutList, (Strings{"old\\x.dll", "old"}));
  EXPECT_EQ(loaded.skipExistingList, Strings{"Настройки.ini"});
  EXPECT_EQ(loaded.strictList, (Strings{"Модули", "Bin\\Plugins"}));

  // A comment-only [Игнорировать] is an empty list, not the default one.
  for (const char* update : {"", "[Обновлять]\n", "[Обновлять]\n#Модули\n"}) {
    loaded = Load(dir, main + "[Игнорировать]\n# ничего\n" + update);
    EXPECT_TRUE(loaded.ignoreList.empty()) << update;
    EXPECT_FALSE(loaded.updateListInForce) << update;
  }
  loaded = Load(dir, main + "[Обновлять]\nМодули\nkadu.exe\n");
  EXPECT_TRUE(loaded.updateListInForce);
  EXPECT_EQ(loaded.updateList, (Strings{"Модули", "kadu.exe"}));
}

TEST(ReadConfiguration, CheckPairsAndTheirParseError) {
  TempDir dir("pairs");
  const std::string main = "[Основные параметры]\nКаталогПриемник=" + (dir / "t") +
                           "\nКаталогИсточник=" + dir.Path() + "\n[Игнорировать]\nlog.txt\n";
  Loaded loaded = Load(dir, main + "[Проверить пары]\n\\kadu.exe=\\kadu.ex\na=b=c\n#x\n");
  ASSERT_TRUE(loaded.result);
  EXPECT_EQ(loaded.checkPairs,
            (std::vector<std::pair<std::string, std::string>>{{"kadu.exe", "kadu.ex"}, {"a", "b=c"}}));

  const std::string iniPath = dir / "test.ini";
  loaded = Load(dir, main + "[Проверить пары]\nkadu.exe=kadu.ex\nбез знака\nc=d\n");
  EXPECT_FALSE(loaded.result);
  EXPECT_EQ(loaded.ignoreList, Strings{"log.txt"}) << "lists read before stay";
  EXPECT_EQ(loaded.checkPairs.size(), 1u);
  EXPECT_EQ(loaded.errorLog.value_or("<none>"),
            "Ошибка в \"" + iniPath +
                "\" невозможно определить путь-приемник в секции [Проверить пары]\r\n");
}

TEST(ReadConfiguration, ValuesAndEntriesWindows1251LacksAreLoggedAndRefused) {
  TempDir dir("fit");
  const std::string main = "[Основные параметры]\nКаталогПриемник=" + (dir / "t") + "\nКаталогИсточник=" + dir.Path() +
                           "\n; комментарий {?}\n";
  const std::string keyLine = " содержит символы, которых нет в кодировке Windows-1251. Синхронизация невозможна.\r\n";
  struct Case {
    std::string ini, line;
  };
  const Case cases[] = {
      {main + "Выполнить=Клиент{?}.exe\n", "Ошибка, значение ключа \"Выполнить\"" + keyLine},
      {main + "ВопросПриОшибке=нет{?}\n", "Ошибка, значение ключа \"ВопросПриОшибке\"" + keyLine},
      {"[Основные параметры]\nКаталогПриемник=" + (dir / "t") + "\nКаталогИсточник=" + dir.Path() + "{?}\n",
       "Ошибка, значение ключа \"КаталогИсточник\"" + keyLine},
      {main + "[Вырезать]\n# {?}\nold\\{?}.dll\n", "Ошибка, строка секции [Вырезать]" + keyLine},
      {main + "[Проверить пары]\nkadu.exe=kadu{?}.exe\n", "Ошибка, строка секции [Проверить пары]" + keyLine},
      {main + "[Оформление]\nФоноваяКартинка=Фон{?}.dll\n", "Ошибка, значение ключа \"ФоноваяКартинка\"" + keyLine},
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir / "utf8.ini", Utf8(WithCrLf(c.ini)));
    const Loaded loaded = LoadFile(dir / "utf8.ini");
    EXPECT_FALSE(loaded.result) << c.line;
    EXPECT_EQ(loaded.errorLog.value_or("<none>"), c.line);
  }

  // The same file without the character reads, comments and all.
  WriteFileBytes(dir / "utf8.ini", Utf8(WithCrLf(main + "Выполнить=Клиент.exe\n[Вырезать]\n# {?}\nold\\x.dll\n")));
  const Loaded loaded = LoadFile(dir / "utf8.ini");
  EXPECT_TRUE(loaded.result);
  EXPECT_EQ(loaded.runCommand, "Клиент.exe");
  EXPECT_EQ(loaded.cutList, Strings{"old\\x.dll"});
  EXPECT_EQ(loaded.errorLog.value_or("<none>"), "");

  // The target comes before the logs, which live in it: the refusal is shown.
  BoxAnswerer box("velkarin", "ok");
  WriteFileBytes(dir / "utf8.ini", Utf8(WithCrLf("[Основные параметры]\nКаталогПриемник=" + (dir / "t{?}") + "\n")));
  const Loaded target = LoadFile(dir / "utf8.ini");
  const BoxReport report = box.Finish();
  EXPECT_FALSE(target.result);
  EXPECT_EQ(target.targetDir, "");
  ASSERT_TRUE(report.shown);
  EXPECT_EQ(report.text,
            "Ошибка, значение ключа \"КаталогПриемник\" содержит символы, которых нет в кодировке Windows-1251. "
            "Синхронизация невозможна.");
  EXPECT_EQ(report.icon, "warning");
}

TEST(ReadConfiguration, AFileThatCannotBeReadIsRefusedNotTakenForDefaults) {
  TempDir dir("unread");
  DefaultTargetGuard defaultTarget;
  const std::string held = dir / "held.ini";
  WriteFileBytes(held, "[Основные параметры]\r\n");
  const std::string large = dir / "large.ini";
  {
    // Past the limit, and sparse: nothing is written to make it.
    win32::ScopedFile file(
        CreateFileA(large.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    size.QuadPart = (64 << 20) + 1;
    ASSERT_TRUE(file.Valid() && SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()));
  }
  FileHolder holder(held);
  ASSERT_TRUE(holder.Holding());
  const std::pair<std::string, std::string> cases[] = {{held, "32"}, {large, "223"}};
  for (const auto& [path, code] : cases) {
    BoxAnswerer box("velkarin", "ok");
    const Loaded loaded = LoadFile(path);
    const BoxReport report = box.Finish();
    EXPECT_FALSE(loaded.result) << path;
    ASSERT_TRUE(report.shown) << path;
    EXPECT_EQ(report.text, "Ошибка " + code + " чтения файла \"" + path + "\".");
    EXPECT_EQ(report.icon, "error");
    EXPECT_FALSE(Exists(DefaultTargetGuard::kPath)) << "the defaults were used";
  }
}
