// What the default ini file promises administrators about the lists:
// [Пропустить существующие] keeps the user's files, and an entry may be a
// full path as well as a relative one.
#include <gtest/gtest.h>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

class ListPromises : public Sync {
 protected:
  std::string NeverApplies(const std::string& entry, const std::string& section) {
    return "запись \"" + entry + "\" секции [" + section +
           "] вне каталогов источника и приемника, не применяется";
  }
};

}  // namespace

TEST_F(ListPromises, SkipExistingKeepsTheUsersFilesAndAddsMissingOnes) {
  MakeTree(source, {"Настройки\\", "Настройки\\user.ini", "Настройки\\new.ini", "Настройки\\Профиль.ini",
                    "Настройки\\other.txt", "kadu.exe"});
  MakeTree(target, {"Настройки\\", "Старое\\", "Старое\\x.txt", "Старое\\last.ini"});
  // The user's own versions: other bytes, older than the share's.
  WriteFileBytes(target + "\\Настройки\\user.ini", "mine");
  WriteFileBytes(target + "\\Настройки\\профиль.ini", "my profile");  // another case of a listed name
  WriteFileBytes(target + "\\Настройки\\junk.txt", "junk");
  for (const char* name : {"Настройки\\user.ini", "Настройки\\профиль.ini"}) {
    SetWriteTime(target + "\\" + name, kBaseTime);
  }
  const std::string sections =
      "[СтрогоСинхронизировать]\nНастройки\n"
      "[Пропустить существующие]\nнастройки\\USER.INI\nНастройки\\new.ini\nНастройки\\Профиль.ini\nСтарое\\last.ini\n";

  Run("УдалятьНенужныеФайлы=да\n", sections);
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ReadFileBytes(target + "\\Настройки\\user.ini"), "mine");
  EXPECT_EQ(GetWriteTime(target + "\\Настройки\\user.ini"), kBaseTime);
  EXPECT_EQ(ReadFileBytes(target + "\\Настройки\\профиль.ini"), "my profile");
  EXPECT_EQ(ReadFileBytes(target + "\\Настройки\\new.ini"), "Настройки\\new.ini") << "absent: copied";
  EXPECT_FALSE(Exists(target + "\\Настройки\\junk.txt")) << "the strict list still applies";
  // A directory removed whole keeps the listed file; the rest of it goes.
  EXPECT_EQ(ReadFileBytes(target + "\\Старое\\last.ini"), "Старое\\last.ini");
  EXPECT_FALSE(Exists(target + "\\Старое\\x.txt"));
  // Nothing is said about what was left alone.
  EXPECT_EQ(ActionLines(),
            (Lines{Copied("kadu.exe"), Copied("Настройки\\new.ini"), Copied("Настройки\\other.txt"),
                   "Удаление каталога \"" + target + "\\.\\Старое\\\"",
                   "Удаление файла \"" + target + "\\.\\Настройки\\junk.txt\""}));

  // Once the user has deleted a listed file, the next run brings it back.
  DeleteFileA((target + "\\Настройки\\user.ini").c_str());
  Run("УдалятьНенужныеФайлы=да\n", sections);
  EXPECT_EQ(ReadFileBytes(target + "\\Настройки\\user.ini"), "Настройки\\user.ini");
}

TEST_F(ListPromises, FullPathsInsideTheRootsStandForTheirRelativePaths) {
  MakeTree(source, {"a.txt", "old.dll", "Модули\\", "Модули\\m.dll", "Прочее\\", "Прочее\\p.txt"});
  MakeTree(target, {"Данные\\", "Данные\\user.db", "old.dll", "Модули\\", "Модули\\stale.dll", "Прочее\\"});
  const std::string outside = "D:\\Где-то\\Данные";
  Run("УдалятьНенужныеФайлы=да\n",
      "[Игнорировать]\nvelkarin.out\n" + target + "\\Данные\n" + outside +
          "\n[Вырезать]\n" + source + "\\old.dll\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ReadFileBytes(target + "\\Данные\\user.db"), "Данные\\user.db") << "ignored by its full path";
  EXPECT_EQ(ReadFileBytes(source + "\\old.dll"), "old.dll") << "a cut entry never deletes on the share";
  EXPECT_FALSE(Exists(target + "\\old.dll")) << "cut from the target";
  const Lines out = OutLines();
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0], NeverApplies(outside, "Игнорировать")) << "once, before the run's phases";
  EXPECT_EQ(std::count(out.begin(), out.end(), out[0]), 1);

  // The update and the strict list by full path: only Модули is
  // synchronised, and its surplus goes although deletion is off.
  DeleteTree(target);
  MakeTree(target, {"Модули\\", "Модули\\stale.dll", "Прочее\\", "Прочее\\mine.txt"});
  Run("", "[Обновлять]\n" + source + "\\Модули\n[СтрогоСинхронизировать]\n" + target + "\\Модули\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(TargetTree(), (Tree{{"Модули\\", ""}, {"Модули\\m.dll", "Модули\\m.dll"}, {"Прочее\\", ""},
                                {"Прочее\\mine.txt", "Прочее\\mine.txt"}}));
}

TEST_F(ListPromises, FullPathsOnANetworkTarget) {
  MakeTree(dir / "share", {});
  ScopedUncShare share(dir / "share", "vktest" + std::to_string(GetCurrentProcessId()));
  if (share.Path().empty()) GTEST_SKIP() << "no UNC path can be made here (not Wine, or no prefix)";
  const std::string unc = share.Path() + "\\Приемник";
  MakeTree(source, {"a.txt", "old.dll"});
  MakeTree(dir / "share\\Приемник", {"Данные\\", "Данные\\user.db", "old.dll"});
  WriteRunIni("КаталогПриемник=" + unc + "\nУдалятьНенужныеФайлы=да\n",
              "[Игнорировать]\n" + unc + "\\Данные\n[Вырезать]\n" + source + "\\old.dll\n");
  const VelkarinRun run = RunVelkarin("", dir.Path());
  EXPECT_TRUE(run.exited) << "velkarin.exe did not end by itself";
  const std::string local = dir / "share\\Приемник";
  EXPECT_FALSE(Exists(local + "\\velkarin.err")) << ReadFileBytes(local + "\\velkarin.err").value_or("");
  EXPECT_EQ(ReadFileBytes(local + "\\Данные\\user.db"), "Данные\\user.db");
  EXPECT_EQ(ReadFileBytes(local + "\\a.txt"), "a.txt");
  EXPECT_EQ(ReadFileBytes(source + "\\old.dll"), "old.dll");
  EXPECT_FALSE(Exists(local + "\\old.dll"));
}
