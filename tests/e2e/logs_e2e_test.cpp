// The two logs in the target directory: created per run, removed when empty.
#include <gtest/gtest.h>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

std::string Ini(const TempDir& dir, const std::string& extra) {
  return QuietMainSection(dir / "source", dir / "target") + extra;
}

}  // namespace

TEST(Logs, CleanRunWithoutStatisticsLeavesNeitherLog) {
  TempDir dir("clean");
  WriteIni(dir / "velkarin.ini", Ini(dir, "ВыводитьСтатистикуСинхронизации=нет\n"));
  const VelkarinRun run = RunVelkarin("", dir.Path());
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(IsDirectory(dir / "target"));
  EXPECT_FALSE(Exists(dir / "target\\velkarin.err"));
  EXPECT_FALSE(Exists(dir / "target\\velkarin.out"));
}

TEST(Logs, StatisticsOnButNothingWrittenIsRemoved) {
  // The load stops at a bad pair line after switching statistics on: the
  // statistics log stays empty and goes, the error log keeps its line.
  for (const char* statistics : {"да", "ДА", "Да"}) {
    TempDir dir("stats");
    WriteIni(dir / "velkarin.ini", Ini(dir, std::string("ВыводитьСтатистикуСинхронизации=") +
                                                statistics + "\n[Проверить пары]\nбез знака\n"));
    const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox()});
    ASSERT_TRUE(run.exited) << statistics;
    EXPECT_EQ(run.boxes[0].text, "Ошибка в файле инициализации");
    EXPECT_FALSE(Exists(dir / "target\\velkarin.out")) << statistics;
    EXPECT_TRUE(Exists(dir / "target\\velkarin.err")) << statistics;
  }
}

TEST(Logs, EarlierLogsAreReplacedNotAppendedTo) {
  TempDir dir("old");
  CreateDirectoryA((dir / "target").c_str(), nullptr);
  WriteFileBytes(dir / "target\\velkarin.err", "old error line\r\n");
  WriteFileBytes(dir / "target\\velkarin.out", "old statistics\r\n");

  // A run that logs an error: the error log holds only this run's line.
  WriteIni(dir / "velkarin.ini", "[Основные параметры]\nКаталогПриемник=" + (dir / "target") +
                                     "\nКаталогИсточник=\n");
  const VelkarinRun failing = RunVelkarin("", dir.Path(), {ProgramBox()});
  ASSERT_TRUE(failing.exited);
  EXPECT_EQ(ReadFileBytes(dir / "target\\velkarin.err").value_or("<missing>"),
            "Ошибка, не указан путь к каталогу источнику.  Синхронизация невозможна.\r\n");
  EXPECT_FALSE(Exists(dir / "target\\velkarin.out")) << "truncated, then removed as empty";

  // A clean run: the old error log is truncated and removed.
  WriteIni(dir / "velkarin.ini", Ini(dir, ""));
  const VelkarinRun clean = RunVelkarin("", dir.Path());
  ASSERT_TRUE(clean.exited);
  EXPECT_FALSE(Exists(dir / "target\\velkarin.err"))
      << ReadFileBytes(dir / "target\\velkarin.err").value_or("");
}

TEST(Logs, UnrelatedFilesInTheTargetAreLeftAlone) {
  // Files beside the logs that a careless run would take. Deletion is on,
  // so the ini file in the target (this run's own) would go as surplus; the
  // source offers older files named like the logs, which would be copied
  // over them (an [Игнорировать] section that does not name the logs keeps
  // the default ignore list out of it); and an empty velkarin.log, the
  // same on both sides, must not go with the empty logs.
  TempDir dir("keep");
  const std::string target = dir / "target";
  MakeTree(dir / "source", {"velkarin.out", "velkarin.err"});
  CreateDirectoryA(target.c_str(), nullptr);
  for (const std::string& side : {dir / "source", target}) {
    WriteFileBytes(side + "\\velkarin.log", "");
    SetWriteTime(side + "\\velkarin.log", kBaseTime);
  }
  SetWriteTime(dir / "source\\velkarin.out", kBaseTime);
  SetWriteTime(dir / "source\\velkarin.err", kBaseTime);
  WriteIni(target + "\\velkarin.ini",
           Ini(dir, "ВыводитьСтатистикуСинхронизации=да\nУдалятьНенужныеФайлы=да\nВопросПриОшибке=нет\n"
                    "[Игнорировать]\n# none\n"));
  const std::string ini = ReadFileBytes(target + "\\velkarin.ini").value_or("");
  const VelkarinRun run = RunVelkarin("", target);  // finds velkarin.ini there
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(ReadFileBytes(target + "\\velkarin.ini").value_or("<missing>"), ini);
  EXPECT_EQ(ReadFileBytes(target + "\\velkarin.log").value_or("<missing>"), "");
  // Nothing to do: the statistics are the phase lines alone, and no error.
  std::string phases;
  for (const std::string& line : kPhases) phases += line + "\r\n";
  EXPECT_EQ(ReadFileBytes(target + "\\velkarin.out").value_or("<missing>"), phases);
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << ReadFileBytes(target + "\\velkarin.err").value_or("");
}

TEST(Logs, LogThatCannotBeCreatedIsSkippedAndNothingElseIsTouched) {
  TempDir dir("nolog");
  // Directories where the logs should go: neither file can be created.
  CreateDirectoryA((dir / "target").c_str(), nullptr);
  CreateDirectoryA((dir / "target\\velkarin.err").c_str(), nullptr);
  CreateDirectoryA((dir / "target\\velkarin.out").c_str(), nullptr);
  WriteFileBytes(dir / "target\\velkarin.err\\inside.txt", "x");
  WriteIni(dir / "velkarin.ini", "[Основные параметры]\nКаталогПриемник=" + (dir / "target") +
                                     "\nКаталогИсточник=\nВыводитьСтатистикуСинхронизации=да\n");
  const VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox()});
  ASSERT_TRUE(run.exited) << "the program must not hang or crash";
  EXPECT_EQ(run.exitCode, 2u) << "a configuration error";
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Ошибка в файле инициализации");
  EXPECT_TRUE(IsDirectory(dir / "target\\velkarin.err"));
  EXPECT_TRUE(IsDirectory(dir / "target\\velkarin.out"));
  EXPECT_EQ(ReadFileBytes(dir / "target\\velkarin.err\\inside.txt").value_or(""), "x");
}
