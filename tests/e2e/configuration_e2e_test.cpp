// Configuration errors as the user meets them: the exact boxes and log lines.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"

using namespace e2e;
using namespace testing_support;

namespace {

const char kLoadFailed[] = "Ошибка в файле инициализации";

std::string MainKeys(const std::string& keys) { return "[Основные параметры]\n" + keys; }

}  // namespace

TEST(Configuration, EmptyTargetShowsBothBoxesAndWritesNoLog) {
  TempDir dir("et");
  WriteIni(dir / "velkarin.ini", MainKeys("КаталогПриемник=\nКаталогИсточник=" + dir.Path() + "\n"));
  const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox(), ProgramBox()});
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 2u);
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Ошибка, не задан путь к каталогу приемнику. Синхронизация невозможна.");
  EXPECT_EQ(run.boxes[0].icon, "warning");
  ASSERT_TRUE(run.boxes[1].shown);
  EXPECT_EQ(run.boxes[1].text, kLoadFailed);
  EXPECT_EQ(run.boxes[1].icon, "none");
  EXPECT_EQ(run.boxes[1].buttons, "ok");
  EXPECT_FALSE(Exists(dir / "velkarin.err"));
  EXPECT_FALSE(Exists(dir / "velkarin.out"));
}

TEST(Configuration, EmptySourceIsLoggedInTheTarget) {
  TempDir dir("es");
  WriteIni(dir / "my.ini", MainKeys("КаталогПриемник=" + (dir / "Приемник") +
                                       "\nКаталогИсточник=\nВыводитьСтатистикуСинхронизации=да\n"));
  const VelkarinRun run = RunVelkarin("my.ini", dir.Path(), {ProgramBox()});
  ASSERT_TRUE(run.exited);
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, kLoadFailed);
  EXPECT_EQ(ReadFileBytes(dir / "Приемник\\velkarin.err").value_or("<missing>"),
            "Ошибка, не указан путь к каталогу источнику.  Синхронизация невозможна.\r\n");
  EXPECT_FALSE(Exists(dir / "Приемник\\velkarin.out")) << "nothing was written to it";
}

TEST(Configuration, TargetBlockedByAFileIsShownBecauseNoLogIsOpen) {
  TempDir dir("blk");
  WriteFileBytes(dir / "Каду", "not a directory");
  WriteIni(dir / "velkarin.ini",
           MainKeys("КаталогПриемник=" + (dir / "Каду\\Клиент") + "\nКаталогИсточник=" + dir.Path() + "\n"));
  const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox()});
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 2u);
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Ошибка [183], невозможно создать каталог \"" + (dir / "Каду") +
                                   "\" т.к. найден файл с тем же именем");
  EXPECT_EQ(run.boxes[0].icon, "error");
  EXPECT_EQ(run.boxes[0].buttons, "ok");
  EXPECT_EQ(ReadFileBytes(dir / "Каду").value_or(""), "not a directory");
}

TEST(Configuration, NetworkTargetWithoutShareIsAnInvalidName) {
  TempDir dir("unc");
  WriteIni(dir / "velkarin.ini", MainKeys("КаталогПриемник=\\\\srv\nКаталогИсточник=" + dir.Path() + "\n"));
  const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox()});
  ASSERT_TRUE(run.exited);
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Ошибка [123], неверное имя каталога \"\\\\srv\\\"");
  EXPECT_EQ(run.boxes[0].icon, "error");
}

TEST(Configuration, OverlongTargetIsRefusedLikeAnEmptyOne) {
  TempDir dir("ol");
  WriteIni(dir / "velkarin.ini",
           MainKeys("КаталогПриемник=C:\\" + std::string(1021, 'x') + "\nКаталогИсточник=" + dir.Path() + "\n"));
  const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox(), ProgramBox()});
  ASSERT_TRUE(run.exited);
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Ошибка, не задан путь к каталогу приемнику. Синхронизация невозможна.");
  EXPECT_EQ(run.boxes[1].text, kLoadFailed);
}
