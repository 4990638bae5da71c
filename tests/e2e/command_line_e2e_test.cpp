// velkarin.exe's command line: /g, /h, the ini name, and the boxes they show.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

using namespace e2e;
using namespace testing_support;

namespace {

const char kGenerated[] =
    "ini-файл сгенерирован.\nОтредактируйте  'velkarin.ini'  перед\nследующим запуском программы.";
const char kUsage[] =
    "Параметры запуска утилиты синхронизации: [<имя файла инициализации>| /g | /h ]\n"
    "<имя файла инициализации> - если задано не полное имя файла, то файл должен находиться в "
    "рабочем каталоге утилиты синхронизации.\n"
    "/g - создать файл инициализации по умолчанию\n"
    "/h - вывести это сообщение\n"
    "/p [<имя файла инициализации>] - опубликовать список файлов каталога источника (velkarin.lst)\n"
    "/l [<имя файла инициализации>] - показать, что сделает синхронизация, ничего не изменяя "
    "(план в velkarin-plan.txt во временном каталоге)\n"
    "/k <папка> - создать пару ключей издателя (velkarin-publisher.key и velkarin-publisher.pub)\n"
    "/v [<имя файла инициализации>] - восстановить клиент: проверить файлы приемника по подписанному "
    "списку источника и скопировать заново те, что с ним не совпадают\n"
    "/s - без участия пользователя: без окна, сообщений и вопросов, клиент не запускается; "
    "ставится первым: /s [<имя файла инициализации>], /s /p ..., /s /l ...\n"
    "Код завершения: 0 - синхронизировано, 1 - синхронизировано с ошибками, 2 - не синхронизировано, "
    "3 - прервано пользователем, 4 - приложение уже запущено, 5 - приложение не удалось запустить, "
    "6 - каталог приемник занят другим запуском\n"
    "Параметры ini-файла для многих рабочих мест: ЖурналЗапусков, ЗапускПриНедоступномИсточнике, "
    "ОжиданиеЗанятыхФайлов, КлючПодписи (для /p), КлючИздателя (см. руководство администратора)";
const char kBadName[] = "Ошибка при задании имени ini-файла.\n Задайте существующий файл.";
const char kMissingDefault[] = "Не существует ini-файл.\n Сгенерировать файл?";
const char kReplace[] = "Файл \"velkarin.ini\" уже существует.\nЗаменить его?";

void ExpectBox(const BoxReport& box, const char* text, const char* icon, const char* buttons,
               const std::string& context) {
  ASSERT_TRUE(box.shown) << context << ": no box";
  EXPECT_EQ(box.text, text) << context;
  EXPECT_EQ(box.icon, icon) << context;
  EXPECT_EQ(box.buttons, buttons) << context;
}

// A run that ends on its own after the boxes expected: with 0 when it did
// what was asked, 2 when it did not (nothing generated, nothing synchronised).
void ExpectExit(const VelkarinRun& run, unsigned long code, const std::string& context) {
  EXPECT_TRUE(run.exited) << context << ": still running (an unexpected box?)";
  EXPECT_EQ(run.exitCode, code) << context;
}

}  // namespace

TEST(CommandLine, HelpShowsTheUsageLines) {
  TempDir dir("h");
  for (const char* arguments : {"/h", "/H", "x.ini /h"}) {
    const VelkarinRun run = RunVelkarin(arguments, dir.Path(), {ProgramBox()});
    ExpectExit(run, 0, arguments);
    ExpectBox(run.boxes[0], kUsage, "information", "ok", arguments);
  }
  EXPECT_FALSE(Exists(dir / "velkarin.ini"));
}

TEST(CommandLine, GenerateWritesTheTemplateInTheWorkingDirectory) {
  const std::string expected = TemplateBytes();
  ASSERT_EQ(expected.size(), 5624u);
  for (const char* arguments : {"/g", "/G", "a.ini /g", "/g /h", "/h /g"}) {
    TempDir dir("g");
    // An earlier velkarin.ini is replaced once the user says Yes; a named
    // ini is neither read nor written, and nothing is synchronised.
    WriteFileBytes(dir / "velkarin.ini", "[old]\r\nkeep=no\r\n" + std::string(8000, '#'));
    WriteIni(dir / "a.ini", "[Основные параметры]\nКаталогПриемник=" + (dir / "target") + "\n");
    const VelkarinRun run = RunVelkarin(arguments, dir.Path(), {ProgramBox("yes"), ProgramBox()});
    ExpectExit(run, 0, arguments);
    ExpectBox(run.boxes[0], kReplace, "warning", "yes,no", arguments);
    ExpectBox(run.boxes[1], kGenerated, "none", "ok", arguments);
    EXPECT_EQ(ReadFileBytes(dir / "velkarin.ini").value_or(""), expected) << arguments;
    EXPECT_FALSE(Exists(dir / "target")) << arguments << ": no run after /g";
  }
}

TEST(CommandLine, GenerateOverAnExistingIniAnsweredNoKeepsIt) {
  TempDir dir("keep");
  const std::string production = WithCrLf("[Основные параметры]\nКаталогИсточник=\\\\srv\\kadu\n");
  WriteFileBytes(dir / "velkarin.ini", production);
  const VelkarinRun run = RunVelkarin("/g", dir.Path(), {ProgramBox("no")});
  ExpectExit(run, 2, "answer No");  // and no confirmation box after it
  ExpectBox(run.boxes[0], kReplace, "warning", "yes,no", "answer No");
  EXPECT_EQ(run.boxes[0].defaultButton, "no") << "Enter must keep the file";
  EXPECT_EQ(ReadFileBytes(dir / "velkarin.ini"), production);
}

TEST(CommandLine, NotAnOptionWithoutSeparatorsSoANamedFileIsMissing) {
  TempDir dir("x");
  for (const char* arguments : {"x/g", "/gx", "/hx", "\"a.ini\"", "nothere.ini", "a.ini\t/g"}) {
    WriteIni(dir / "a.ini", "[Основные параметры]\n");
    const VelkarinRun run = RunVelkarin(arguments, dir.Path(), {ProgramBox()});
    ExpectExit(run, 2, arguments);
    ExpectBox(run.boxes[0], kBadName, "error", "ok", arguments);
    EXPECT_FALSE(Exists(dir / "velkarin.ini")) << arguments;
  }
}

TEST(CommandLine, NamedIniPathBeyond1023CharactersIsRefused) {
  TempDir dir("long");
  const std::string name = std::string(1030, 'n') + ".ini";
  const VelkarinRun run = RunVelkarin(name, dir.Path(), {ProgramBox()});
  ExpectExit(run, 2, "long name");
  ExpectBox(run.boxes[0], kBadName, "error", "ok", "long name");
}

TEST(CommandLine, MissingDefaultIniAnsweredNoWritesNothing) {
  TempDir dir("no");
  const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox("no")});
  ExpectExit(run, 2, "answer No");
  ExpectBox(run.boxes[0], kMissingDefault, "error", "yes,no", "answer No");
  EXPECT_FALSE(Exists(dir / "velkarin.ini"));
}

TEST(CommandLine, MissingDefaultIniAnsweredYesWritesTheTemplateAndStops) {
  TempDir dir("yes");
  DefaultTargetGuard defaultTarget;
  const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox("yes"), ProgramBox()});
  ExpectExit(run, 2, "answer Yes");
  ExpectBox(run.boxes[0], kMissingDefault, "error", "yes,no", "answer Yes");
  ExpectBox(run.boxes[1], kGenerated, "none", "ok", "confirmation");
  EXPECT_EQ(ReadFileBytes(dir / "velkarin.ini").value_or(""), TemplateBytes());
  // The new file names the default target; the program must not have gone
  // on to load it, which would have created that directory.
  EXPECT_FALSE(Exists(DefaultTargetGuard::kPath));
}

TEST(CommandLine, FullAndRelativeIniNamesAreFound) {
  TempDir dir("names");
  CreateDirectoryA((dir / "sub").c_str(), nullptr);
  const std::string ini = QuietMainSection(dir / "source", dir / "target");
  WriteIni(dir / "sub\\a.ini", ini);
  WriteIni(dir / "b.ini", ini);
  WriteIni(dir / "velkarin.ini", ini);
  // A full path, a name relative to the working directory, and none at all:
  // each loads cleanly, creating the target and leaving no log behind.
  const std::pair<std::string, std::string> cases[] = {
      {dir / "sub\\a.ini", dir.Path()}, {"sub\\a.ini", dir.Path()}, {"", dir.Path()},
      {"b.ini", dir.Path()}};
  for (const auto& [arguments, cwd] : cases) {
    DeleteTree(dir / "target");
    const VelkarinRun run = RunVelkarin(arguments, cwd);
    ExpectExit(run, 0, arguments);
    EXPECT_TRUE(IsDirectory(dir / "target")) << arguments;
    EXPECT_FALSE(Exists(dir / "target\\velkarin.err")) << arguments;
    EXPECT_FALSE(Exists(dir / "target\\velkarin.out")) << arguments;
  }
}

TEST(CommandLine, GenerateThatCannotWriteSaysSoAndEnds) {
  TempDir dir("ro");
  // A directory in the way of the file: the write fails whoever runs it.
  // It is no file to replace, so nothing asks about it either.
  CreateDirectoryA((dir / "velkarin.ini").c_str(), nullptr);
  const VelkarinRun run = RunVelkarin("/g", dir.Path(), {ProgramBox()});
  ExpectExit(run, 2, "/g blocked");  // no "сгенерирован" box after the failure
  ExpectBox(run.boxes[0], "Невозможно создать ini-файл", "error", "ok", "/g blocked");
  EXPECT_TRUE(IsDirectory(dir / "velkarin.ini"));
}
