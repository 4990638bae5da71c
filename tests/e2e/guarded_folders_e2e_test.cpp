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
  const std::string drive = dir / "drive";
  MakeTree(drive, {"keep.txt", "data\\", "data\\keep.db"});
  ScopedDriveLetter mapped(drive, 'q');
  if (mapped.Root().empty()) GTEST_SKIP() << "drive Q: cannot be mapped here (not Wine, no prefix, or taken)";
  MakeTree(source, {"a.txt"});
  MakeTree(target, {"mine.txt"});
  // The target's own name in capital Cyrillic letters: the file system
  // takes it for the target, the run's own comparison of names does not.
  const std::string targetInCapitals = dir / "ПРИЕМНИК";
  const std::string beside = dir / "old-client";
  MakeTree(beside, {"old.dll"});

  Run("", "[Вырезать]\n" + mapped.Root() + "\n" + targetInCapitals + "\n" + beside + "\n", "", true);
  EXPECT_EQ(ErrorLines(),
            (std::set<std::string>{CutRefused(mapped.Root(), "корневой каталог диска или сетевого ресурса"),
                                   CutRefused(targetInCapitals, "каталог приемник или содержащий его каталог")}));
  EXPECT_EQ(ReadTree(drive), (Tree{{"keep.txt", "keep.txt"}, {"data\\", ""}, {"data\\keep.db", "data\\keep.db"}}));
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}, {"mine.txt", "mine.txt"}}));
  EXPECT_FALSE(Exists(beside)) << "an ordinary folder outside both is still deleted as written";
}

TEST_F(Sync, ASourceInsideTheTargetIsRefused) {
  target = dir / "dst";
  source = target + "\\share";
  MakeTree(target, {"surplus.txt"});
  MakeTree(source, {"kadu.exe", "Модули\\", "Модули\\m.dll"});

  Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  EXPECT_EQ(Log("velkarin.err"), "Ошибка: каталог источник \"" + source + "\\\" и каталог приемник \"" + target +
                                     "\\\" совпадают или вложены один в другой, синхронизация невозможна\r\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.out")) << "nothing scanned: " << Log("velkarin.out");
  EXPECT_EQ(TargetTree(), (Tree{{"share\\", ""},
                                {"share\\kadu.exe", "kadu.exe"},
                                {"share\\Модули\\", ""},
                                {"share\\Модули\\m.dll", "Модули\\m.dll"},
                                {"surplus.txt", "surplus.txt"}}));
}
