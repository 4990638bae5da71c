// Whole synchronisations: velkarin.exe on generated trees, checked by the
// target tree and both logs.
#include <gtest/gtest.h>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

TEST_F(Sync, FirstCopyLogsEveryStepAndSecondRunCopiesNothing) {
  // One file and one directory per level: the log order is then fixed.
  MakeTree(source, {"kadu.exe", "Модули\\", "Модули\\Печать.dll", "Модули\\Отчеты\\",
                    "Модули\\Отчеты\\Остатки.frx"});
  target = dir / "Приемник\\Клиент\\2.0";  // two levels missing
  Run();
  EXPECT_EQ(TargetTree(), ReadTree(source));
  std::string expected;
  for (std::size_t i = 0; i < kPhases.size(); ++i) expected += kPhases[i] + "\r\n";
  for (const std::string& line :
       {Copied("kadu.exe"), Created("Модули"), Copied("Модули\\Печать.dll"),
        Created("Модули\\Отчеты"), Copied("Модули\\Отчеты\\Остатки.frx")}) {
    expected += line + "\r\n";
  }
  EXPECT_EQ(Log("velkarin.out"), expected);
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));

  Run();
  EXPECT_EQ(ActionLines(), Lines{}) << "nothing changed, nothing copied";
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
}

TEST_F(Sync, ChangedFilesAreUpdatedAndTwoSecondsCountAsTheSame) {
  MakeTree(source, {"a.txt", "b.txt", "c.txt", "sub\\", "sub\\d.txt"});
  Run();
  for (const char* name : {"a.txt", "b.txt", "c.txt", "sub\\d.txt"}) {
    SetWriteTime(target + "\\" + name, kBaseTime);
    SetWriteTime(source + "\\" + name, kBaseTime);
  }
  WriteFileBytes(source + "\\a.txt", "new a");
  SetWriteTime(source + "\\a.txt", kBaseTime + 2 * kSecond);  // exactly 2 s: same
  WriteFileBytes(source + "\\b.txt", "new b");
  SetWriteTime(source + "\\b.txt", kBaseTime + 2 * kSecond + 1);
  WriteFileBytes(source + "\\sub\\d.txt", "new d");
  SetWriteTime(source + "\\sub\\d.txt", kBaseTime + 430 * kSecond);  // wraps in 32 bits
  Run();
  EXPECT_EQ(ActionLines(), Sorted({Copied("b.txt"), Copied("sub\\d.txt")}));
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a.txt");
  EXPECT_EQ(ReadFileBytes(target + "\\b.txt"), "new b");
  EXPECT_EQ(ReadFileBytes(target + "\\sub\\d.txt"), "new d");
}

TEST_F(Sync, ReadOnlyFilesFollowTheSwitch) {
  MakeTree(source, {"ro.txt", "plain.txt"});
  MakeTree(target, {"plain.txt"});
  SetFileAttributesA((target + "\\plain.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  SetWriteTime(target + "\\plain.txt", kBaseTime);
  SetFileAttributesA((source + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  Run();
  // A missing file's attributes read as INVALID_FILE_ATTRIBUTES, every bit
  // set: the copy itself is checked before its read-only bit.
  EXPECT_EQ(ReadFileBytes(target + "\\ro.txt"), "ro.txt") << "ro.txt not copied";
  const DWORD cleared = GetFileAttributesA((target + "\\ro.txt").c_str());
  ASSERT_NE(cleared, INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(cleared & FILE_ATTRIBUTE_READONLY) << "read-only kept although the switch is on";
  EXPECT_EQ(ReadFileBytes(target + "\\plain.txt"), "plain.txt") << "read-only target overwritten";
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));

  DeleteTree(target + "\\ro.txt");
  Run("СниматьReadOnly=нет\n");
  EXPECT_EQ(ReadFileBytes(target + "\\ro.txt"), "ro.txt") << "ro.txt not copied again";
  const DWORD kept = GetFileAttributesA((target + "\\ro.txt").c_str());
  ASSERT_NE(kept, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(kept & FILE_ATTRIBUTE_READONLY) << "read-only cleared although the switch is off";
  SetFileAttributesA((source + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA((target + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Sync, SurplusIsKeptWithDeletionOffAndRemovedWithDeletionOn) {
  MakeTree(source, {"keep.txt", "Модули\\", "Прочее\\"});
  MakeTree(target, {"keep.txt", "extra.txt", "Old\\", "Old\\x\\", "Old\\x\\o.txt", "Модули\\",
                    "Модули\\x.dll", "Прочее\\", "Прочее\\x.dll"});
  SetFileAttributesA((target + "\\extra.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  const Tree before = TargetTree();
  Run();
  EXPECT_EQ(TargetTree(), before) << "deletion off, no strict list: nothing removed";

  // The strict list deletes only inside its directory.
  Run("", "[СтрогоСинхронизировать]\nМодули\n");
  EXPECT_FALSE(Exists(target + "\\Модули\\x.dll"));
  EXPECT_TRUE(Exists(target + "\\Прочее\\x.dll"));
  EXPECT_TRUE(Exists(target + "\\extra.txt"));
  EXPECT_EQ(ActionLines(), Lines{"Удаление файла \"" + target + "\\.\\Модули\\x.dll\""});

  Run("УдалятьНенужныеФайлы=да\n");
  EXPECT_EQ(TargetTree(), (Tree{{"keep.txt", "keep.txt"}, {"Модули\\", ""}, {"Прочее\\", ""}}));
  EXPECT_EQ(ActionLines(), Sorted({"Удаление каталога \"" + target + "\\.\\Old\\\"",
                                   "Удаление файла \"" + target + "\\.\\extra.txt\"",
                                   "Удаление файла \"" + target + "\\.\\Прочее\\x.dll\""}));
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
}

TEST_F(Sync, IgnoredUpdatedCutAndPairedNames) {
  MakeTree(source, {"a.txt", "skip\\", "skip\\s.txt", "Модули\\", "Модули\\m.dll", "Other\\",
                    "Other\\o.txt", "old\\", "old\\x.dll", "setup.ex"});
  MakeTree(target, {"skip\\", "skip\\t.txt", "old\\", "old\\x.dll", "old\\y.dll", "kadu.exe"});
  const std::string outside = dir / "вне";
  MakeTree(outside, {"full.txt"});
  SetWriteTime(source + "\\setup.ex", kBaseTime + 10 * kSecond);
  SetWriteTime(target + "\\kadu.exe", kBaseTime);
  Run("УдалятьНенужныеФайлы=да\n",
      "[Игнорировать]\nskip\n[Обновлять]\nМодули\nold\nsetup.ex\n[Вырезать]\nold\\x.dll\n" +
          outside + "\\full.txt\n[Проверить пары]\nkadu.exe=setup.ex\n");
  const Tree tree = TargetTree();
  // Only Модули, old and the pair take part; old\y.dll is surplus inside
  // a listed directory and goes with deletion on; Other is never created.
  EXPECT_EQ(tree, (Tree{{"skip\\", ""}, {"skip\\t.txt", "skip\\t.txt"}, {"old\\", ""},
                        {"Модули\\", ""}, {"Модули\\m.dll", "Модули\\m.dll"},
                        {"kadu.exe", "setup.ex"}}))
      << "cut: old\\x.dll is neither copied nor kept";
  EXPECT_FALSE(Exists(outside + "\\full.txt")) << "a full cut path is deleted as named";
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));

  // The pair again, now exactly 2 s apart: the same file, not copied. The
  // new bytes are as many as the old, so only the time tells them apart.
  WriteFileBytes(source + "\\setup.ex", "changed.");
  SetWriteTime(source + "\\setup.ex", kBaseTime + 2 * kSecond);
  SetWriteTime(target + "\\kadu.exe", kBaseTime);
  Run("", "[Проверить пары]\nkadu.exe=setup.ex\n[Обновлять]\nnone\n");
  EXPECT_EQ(ReadFileBytes(target + "\\kadu.exe"), "setup.ex");
  SetWriteTime(source + "\\setup.ex", kBaseTime + 2 * kSecond + 1);
  Run("", "[Проверить пары]\nkadu.exe=setup.ex\n[Обновлять]\nnone\n");
  EXPECT_EQ(ReadFileBytes(target + "\\kadu.exe"), "changed.");
}

TEST_F(Sync, MissingSourceTouchesNothing) {
  MakeTree(target, {"keep.txt"});
  Run("УдалятьНенужныеФайлы=да\n", "", dir / "нет", true);
  EXPECT_EQ(Log("velkarin.err"), "Ошибка: каталог источник \"" + (dir / "нет") +
                                     "\\\" не существует, синхронизация невозможна\r\n");
  EXPECT_EQ(TargetTree(), (Tree{{"keep.txt", "keep.txt"}}));
  EXPECT_EQ(ActionLines(), Lines{});
}

TEST_F(Sync, LockedTargetFileIsOneErrorAndTheRunGoesOn) {
  MakeTree(source, {"locked.txt", "free.txt"});
  MakeTree(target, {"locked.txt", "gone.txt"});
  SetWriteTime(target + "\\locked.txt", kBaseTime);
  {
    FileHolder holder(target + "\\locked.txt");
    ASSERT_TRUE(holder.Holding());
    Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  }
  EXPECT_EQ(UpToReasonCode(Log("velkarin.err")), "Ошибка копирования файла \"" + source + "\\.\\locked.txt\" в \"" +
                                                    target + "\\.\\locked.txt\" (32: ");
  EXPECT_EQ(ReadFileBytes(target + "\\free.txt"), "free.txt");
  EXPECT_EQ(ReadFileBytes(target + "\\locked.txt"), "locked.txt");
  EXPECT_FALSE(Exists(target + "\\gone.txt"));
}

TEST_F(Sync, CopyErrorNamesTheSystemsReason) {
  // A source file another program holds open: the copy cannot read it, and
  // the line says so with the system's code and message.
  MakeTree(source, {"held.txt"});
  {
    FileHolder holder(source + "\\held.txt");
    ASSERT_TRUE(holder.Holding());
    Run("", "", "", true);
  }
  const std::string log = Log("velkarin.err");
  EXPECT_EQ(UpToReasonCode(log), "Ошибка копирования файла \"" + source + "\\.\\held.txt\" в \"" + target +
                                     "\\.\\held.txt\" (32: ")
      << log;
  EXPECT_NE(log.substr(log.size() < 4 ? 0 : log.size() - 4), ".)\r\n") << "the message's full stop is dropped";
  EXPECT_FALSE(Exists(target + "\\held.txt"));
}

TEST_F(Sync, LinkedTargetDirectoryIsNeverEntered) {
  const std::string outside = dir / "outside";
  MakeTree(outside, {"precious.txt", "deep\\", "deep\\also.txt"});
  MakeTree(source, {"a.txt"});
  MakeTree(target, {});
  ASSERT_TRUE(MakeSymbolicLink(outside, target + "\\link"));
  // Wine has no call that removes a link alone (Windows removes it): the
  // failure is logged and counted. What it points to survives either way.
  Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  EXPECT_EQ(Log("velkarin.err").substr(0, 11), "Ошибка 145 ");
  EXPECT_EQ(Log("velkarin.err").substr(10), " удаления каталога \"" + target + "\\.\\link\"\r\n");
  EXPECT_EQ(ReadTree(outside),
            (Tree{{"precious.txt", "precious.txt"}, {"deep\\", ""}, {"deep\\also.txt", "deep\\also.txt"}}));
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a.txt");
}

TEST_F(Sync, RelativeSourceAndNamesThatMustSurviveUnchanged) {
  const Lines names = {"Отчет за Март.txt", "отчет за март.TXT", "ЁЛКА ёлка.дат", "a.b.c..txt",
                       ".скрытый", "с пробелом\\", "с пробелом\\Файл. Точка.txt"};
  MakeTree(source, names);
  Run("", "", "Источник");  // relative to the working directory
  EXPECT_EQ(TargetTree(), ReadTree(source));
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
}

TEST_F(Sync, DirectoriesWrittenWithDotsOrDoubledBackslashesAreUsedInFullForm) {
  MakeTree(source, {"a.txt", "Модули\\", "Модули\\m.dll"});
  struct Case {
    std::string source, target;  // as written in the ini file
  };
  const Case cases[] = {
      {source, dir / "x\\..\\Приемник"},
      {source, dir.Path() + "\\\\Приемник"},  // "%HOMEDRIVE%%HOMEPATH%\..." with HOMEPATH "\"
      {dir / "Источник\\.\\..\\Источник", dir.Path() + "\\\\Приемник\\\\"},
      {"Источник", "Приемник"},  // relative to the working directory
  };
  for (const Case& c : cases) {
    DeleteTree(target);
    WriteRunIni("КаталогПриемник=" + c.target + "\n", "", c.source);
    const VelkarinRun run = RunVelkarin("", dir.Path());
    EXPECT_TRUE(run.exited) << c.target;
    EXPECT_EQ(TargetTree(), ReadTree(source)) << c.source << " -> " << c.target;
    EXPECT_EQ(ActionLines(), Sorted({Copied("a.txt"), Created("Модули"), Copied("Модули\\m.dll")}))
        << c.source << " -> " << c.target;
    EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  }
  EXPECT_FALSE(Exists(dir / "x")) << "only the target's full form is created";
}
