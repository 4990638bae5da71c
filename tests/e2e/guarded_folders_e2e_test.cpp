// velkarin.exe given settings that would have it delete what it depends
// on: a [Вырезать] entry naming a whole drive or the target itself, and a
// source that lies inside the target.
#include <gtest/gtest.h>

#include <set>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

std::string CutRefused(const std::string& entry, const std::string& reason) {
  return "Ошибка: путь \"" + entry + "\" в секции [Вырезать] указывает на " + reason +
         ", удаление запрещено\r\n";
}

}  // namespace

TEST_F(Sync, CutEntriesNamingADriveOrTheTargetAreRefused) {
  // Q: leads to the directory that holds the source and the target.
  MakeTree(dir.Path(), {"keep.txt"});
  ScopedDriveLetter mapped(dir.Path(), 'q');
  if (mapped.Root().empty()) GTEST_SKIP() << "drive Q: cannot be mapped here (not Wine, no prefix, or taken)";
  MakeTree(source, {"a.txt"});
  MakeTree(target, {"mine.txt"});
  // The target through the mapped drive, which only its final path shows,
  // and in capital Cyrillic letters, which the file system takes for the
  // target and the run's own comparison of names does not.
  const std::string targetThroughDrive = mapped.Root() + "Приемник";
  const std::string targetInCapitals = dir / "ПРИЕМНИК";
  const std::string beside = dir / "old-client";
  MakeTree(beside, {"old.dll"});

  const std::string cut = mapped.Root() + "\n" + targetThroughDrive + "\n" + targetInCapitals + "\n" + beside;
  // The preview plans only the ordinary folder's deletion.
  WriteRunIni("", "[Вырезать]\n" + cut + "\n");
  char temp[MAX_PATH + 1] = "";
  ASSERT_NE(GetTempPathA(sizeof(temp), temp), 0u);
  const std::string plan = std::string(temp) + "velkarin-plan.txt";
  DeleteFileA(plan.c_str());
  const VelkarinRun preview = RunVelkarin("/l " + (dir / "velkarin.ini"), dir.Path(), {ProgramBox()});
  EXPECT_TRUE(preview.exited) << "velkarin.exe /l did not end by itself";
  EXPECT_EQ(ReadFileBytes(plan), "Удаление \"" + beside + "\"\r\n" + Copied("a.txt") + "\r\n");

  Run("", "[Вырезать]\n" + cut + "\n", "", true);
  const std::string toTarget = "каталог приемник или содержащий его каталог";
  EXPECT_EQ(ErrorLines(),
            (std::set<std::string>{CutRefused(mapped.Root(), "корневой каталог диска или сетевого ресурса"),
                                   CutRefused(targetThroughDrive, toTarget), CutRefused(targetInCapitals, toTarget)}));
  EXPECT_EQ(ReadFileBytes(dir / "keep.txt"), "keep.txt");
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}, {"mine.txt", "mine.txt"}}));
  EXPECT_FALSE(Exists(beside)) << "an ordinary folder outside both is still deleted as written";
}

TEST_F(Sync, ASourceInsideTheTargetIsRefused) {
  target = dir / "dst";
  source = target + "\\share";
  MakeTree(target, {"surplus.txt"});
  MakeTree(source, {"kadu.exe", "Модули\\", "Модули\\m.dll"});

  const std::string refused = "Ошибка: каталог источник \"" + source + "\\\" и каталог приемник \"" + target +
                              "\\\" совпадают или вложены один в другой, синхронизация невозможна";
  // The preview plans nothing either.
  WriteRunIni("УдалятьНенужныеФайлы=да\n");
  const VelkarinRun preview = RunVelkarin("/l " + (dir / "velkarin.ini"), dir.Path(), {ProgramBox()});
  EXPECT_TRUE(preview.exited) << "velkarin.exe /l did not end by itself";
  EXPECT_EQ(preview.boxes[0].text, "План синхронизации не составлен.\n" + refused);

  Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  EXPECT_EQ(Log("velkarin.err"), refused + "\r\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.out")) << "nothing scanned: " << Log("velkarin.out");
  EXPECT_EQ(TargetTree(), (Tree{{"share\\", ""},
                                {"share\\kadu.exe", "kadu.exe"},
                                {"share\\Модули\\", ""},
                                {"share\\Модули\\m.dll", "Модули\\m.dll"},
                                {"surplus.txt", "surplus.txt"}}));
}
