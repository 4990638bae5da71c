// velkarin.exe under faults: files that vanish or are held, read-only
// items, links and loops, an empty source, and hostile ini files. Each run
// must end by itself, log and count every failure, and change nothing it
// was not asked to.
#include <gtest/gtest.h>

#include <set>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

class Faults : public Sync {};

}  // namespace

TEST_F(Faults, EmptySourceDeletesNothingWhenTheRunCouldDelete) {
  MakeTree(source, {});  // there, readable, and empty: a share showing nothing
  MakeTree(target, {"kadu.exe", "Модули\\", "Модули\\Печать.dll"});
  const Tree installed = TargetTree();
  const std::string refusal =
      "Ошибка: каталог источник \"" + source + "\\\" пуст, синхронизация невозможна\r\n";

  Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  EXPECT_EQ(Log("velkarin.err"), refusal);
  EXPECT_EQ(TargetTree(), installed);
  EXPECT_EQ(ActionLines(), Lines{});

  Run("", "[СтрогоСинхронизировать]\nМодули\n", "", true);  // a strict list deletes too
  EXPECT_EQ(Log("velkarin.err"), refusal);
  EXPECT_EQ(TargetTree(), installed);

  Run();  // nothing could be deleted: an ordinary run
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(TargetTree(), installed);
}

TEST_F(Faults, SourceFilesRemovedWhileTheRunCopies) {
  const std::vector<std::string> items = MakeGeneratedTree(source, 8, 40);
  // The run's result depends on what it had copied: answer the error box
  // if it comes.
  WriteRunIni();
  RunningVelkarin program("", dir.Path());
  BoxAnswerer errorBox(kWorkerCaption, "ok", 15000);

  // Once copying has begun, files not yet copied vanish from the source,
  // while the abort question holds the run.
  std::vector<std::string> removed;
  HWND window = WaitForProgressWindow(program);
  ASSERT_TRUE(window != nullptr) << "no progress window";
  ASSERT_TRUE(WaitForPath(target + "\\d*", program)) << "the run ended before it copied the generated tree";
  PressEscape(window);
  HWND question = WaitForBox(kWindowCaption, program);
  ASSERT_TRUE(question != nullptr) << "the abort question did not come";
  for (std::size_t i = items.size(); i-- > 0 && removed.size() < 60;) {
    const std::string& item = items[i];
    if (item.back() == '\\' || Exists(target + "\\" + item)) continue;
    if (DeleteFileA((source + "\\" + item).c_str())) removed.push_back(item);
  }
  PressButton(question, IDNO);
  const BoxReport box = errorBox.Finish();
  EXPECT_TRUE(program.WaitForExit(30000));

  // Each removed file was either copied before it went, or is one logged,
  // counted error; every other file arrived whole.
  std::string expectedErrors;
  std::set<std::string> failed;
  for (const std::string& item : removed) {
    if (Exists(target + "\\" + item)) continue;
    failed.insert(item);
  }
  ASSERT_FALSE(failed.empty()) << "every removed file had been copied: the test raced ahead";
  EXPECT_TRUE(box.shown);
  std::set<std::string> expected;
  for (const std::string& item : failed) expected.insert(CopyError(item, ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ErrorLines(), expected);
  for (const std::string& item : items) {
    if (item.back() == '\\' || failed.count(item)) continue;
    EXPECT_EQ(ReadFileBytes(target + "\\" + item), item) << item;
  }
}

TEST_F(Faults, HeldTargetFilesFailToCopyAndToDelete) {
  MakeTree(source, {"update.txt"});
  MakeTree(target, {"update.txt", "surplus.txt"});
  SetWriteTime(target + "\\update.txt", kBaseTime);
  {
    FileHolder updating(target + "\\update.txt");
    FileHolder deleting(target + "\\surplus.txt");
    ASSERT_TRUE(updating.Holding() && deleting.Holding());
    Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  }
  EXPECT_EQ(UpToReasonCode(Log("velkarin.err")), "Ошибка 32 удаления файла \"" + target + "\\.\\surplus.txt\"\r\n" +
                                                    CopyError("update.txt", ERROR_SHARING_VIOLATION));
  EXPECT_EQ(TargetTree(), (Tree{{"update.txt", "update.txt"}, {"surplus.txt", "surplus.txt"}}));
}

TEST_F(Faults, ReadOnlyTargetItemsAreStillDeleted) {
  MakeTree(source, {"keep\\", "keep\\new.txt"});
  MakeTree(target, {"keep\\", "keep\\old.txt", "gone\\", "gone\\inner.txt", "loose.txt"});
  for (const char* item : {"keep\\old.txt", "gone\\inner.txt", "loose.txt", "keep", "gone"}) {
    ASSERT_TRUE(SetFileAttributesA((target + "\\" + item).c_str(), FILE_ATTRIBUTE_READONLY)) << item;
  }
  Run("УдалятьНенужныеФайлы=да\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(TargetTree(), (Tree{{"keep\\", ""}, {"keep\\new.txt", "keep\\new.txt"}}));
}

TEST_F(Faults, LinksNeverLeadTheRunOutOfItsTrees) {
  const std::string outside = dir / "outside";
  MakeTree(outside, {"precious.txt", "m.dll"});
  SetWriteTime(outside + "\\m.dll", kBaseTime);
  MakeTree(source, {"a.txt", "sub\\", "sub\\b.txt", "Модули\\", "Модули\\m.dll", "Модули\\new.dll"});
  // Two loops: each level would list the whole tree twice more.
  ASSERT_TRUE(MakeSymbolicLink(source, source + "\\sub\\back"));
  ASSERT_TRUE(MakeSymbolicLink(source + "\\sub", source + "\\sub\\self"));
  // The target's Модули leads outside it.
  MakeTree(target, {});
  ASSERT_TRUE(MakeSymbolicLink(outside, target + "\\Модули"));

  Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{
                             "Ошибка 1921 чтения каталога \"" + source + "\\sub\\back\\\"\r\n",
                             "Ошибка 1921 чтения каталога \"" + source + "\\sub\\self\\\"\r\n",
                             "Ошибка 4395 чтения каталога \"" + target + "\\Модули\\\"\r\n"}));
  EXPECT_EQ(ReadTree(outside), (Tree{{"precious.txt", "precious.txt"}, {"m.dll", "m.dll"}}));
  EXPECT_EQ(GetWriteTime(outside + "\\m.dll"), kBaseTime);
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a.txt");
  EXPECT_EQ(ReadFileBytes(target + "\\sub\\b.txt"), "sub\\b.txt");
  EXPECT_FALSE(Exists(target + "\\sub\\back"));
  EXPECT_FALSE(Exists(target + "\\sub\\self"));
}

TEST_F(Faults, HostileIniFiles) {
  MakeTree(source, {"a.txt", "skip.txt", "last.txt"});
  MakeTree(target, {});

  // A pair without "=": the configuration is refused before anything runs.
  WriteIni(dir / "velkarin.ini", QuietMainSection(source, target) + "[Проверить пары]\nkadu.exe\n");
  VelkarinRun run = RunVelkarin("", dir.Path(), {ProgramBox()});
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(run.boxes[0].text, "Ошибка в файле инициализации");
  EXPECT_FALSE(Exists(target + "\\a.txt"));

  // An ignore section far past 32,767 bytes with its last entry at the end,
  // a line of 5000 characters, a byte that Windows-1251 does not define and
  // NUL bytes: every entry that can be read is kept, the run goes on.
  std::string ignore = "[Игнорировать]\nvelkarin.err\nvelkarin.out\nskip.txt\n" + std::string(5000, 'x') + "\nbad\x98name\n";
  for (int i = 0; i < 4000; ++i) ignore += "entry number " + std::to_string(i) + "\n";
  ignore += std::string("with\0nul\n", 9) + "last.txt\n";
  WriteIni(dir / "velkarin.ini", QuietMainSection(source, target) + "УдалятьНенужныеФайлы=да\n" + ignore);
  run = RunVelkarin("", dir.Path());
  EXPECT_TRUE(run.exited);
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a.txt");
  EXPECT_FALSE(Exists(target + "\\skip.txt"));
  EXPECT_FALSE(Exists(target + "\\last.txt")) << "the section's last entry was cut off";
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
}

TEST_F(Faults, FileWhereADirectoryMustBeCreated) {
  MakeTree(source, {"a.txt", "Модули\\", "Модули\\m.dll", "Модули\\n.dll"});
  MakeTree(target, {"Модули"});  // a file of that name stands in the way

  // Kept without deletion: the creation and both copies into it fail, each
  // logged and counted; the rest of the run goes on.
  Run("", "", "", true);
  const std::string modules = target + "\\.\\Модули";
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{"Ошибка 183 создания каталога \"" + modules + "\"\r\n",
                                                 CopyError("Модули\\m.dll", ERROR_PATH_NOT_FOUND),
                                                 CopyError("Модули\\n.dll", ERROR_PATH_NOT_FOUND)}));
  EXPECT_EQ(ReadFileBytes(target + "\\Модули"), "Модули");
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a.txt");

  // With deletion on the file goes first and the directory takes its place.
  Run("УдалятьНенужныеФайлы=да\n");
  EXPECT_EQ(TargetTree(), ReadTree(source));
}

TEST_F(Faults, ListEntriesLeadingOutOfTheTargetAreRefused) {
  MakeTree(source, {"a.txt", "b.txt"});
  MakeTree(target, {"old.txt", "sub\\", "sub\\x.txt"});
  const std::string victim = dir / "victim";
  MakeTree(victim, {"v.txt"});
  WriteFileBytes(dir / "beside.txt", "beside");

  // Each hostile entry, joined to the target, names the target itself, its
  // parent or a neighbour; the ordinary entry and pair beside them still work.
  Run("",
      "[Вырезать]\n..\n.\n\\\na\\..\\..\\victim\n...\nold.txt\n"
      "[Проверить пары]\n..\\beside.txt=a.txt\nb.copy=b.txt\n",
      "", true);
  const auto refused = [](const std::string& path, const char* section) {
    return "Ошибка: путь \"" + path + "\" в секции [" + section +
           "] ведет за пределы каталога приемника\r\n";
  };
  // One line each, in the order the entries stand in the file.
  EXPECT_EQ(Log("velkarin.err"), refused("..", "Вырезать") + refused(".", "Вырезать") +
                                     refused("\\", "Вырезать") + refused("a\\..\\..\\victim", "Вырезать") +
                                     refused("...", "Вырезать") + refused("..\\beside.txt", "Проверить пары"));
  EXPECT_EQ(ReadFileBytes(dir / "beside.txt"), "beside");
  EXPECT_EQ(ReadTree(victim), (Tree{{"v.txt", "v.txt"}}));
  EXPECT_EQ(ReadTree(source), (Tree{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}}));
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}, {"b.copy", "b.txt"}, {"sub\\", ""}, {"sub\\x.txt", "sub\\x.txt"}}))
      << "old.txt is cut as listed; the refused pair leaves a.txt an ordinary file";
}
