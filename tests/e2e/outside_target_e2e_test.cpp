// velkarin.exe given trees that try to lead it outside its target: names
// the code page cannot hold, links in place of files, the program's own
// files in the target, removals that fail half way.
#include <gtest/gtest.h>

#include <set>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

class OutsideTarget : public Sync {
 protected:
  std::string NameError(const std::string& shownPath) {
    return "Ошибка 1113 чтения имени \"" + shownPath + "\"\r\n";
  }
  std::string outside = dir / "outside";
};

const std::string kKeep = "keep.txt";

}  // namespace

TEST_F(OutsideTarget, NamesTheCodePageCannotHoldAreNeverActedOn) {
  MakeTree(outside, {kKeep});
  MakeTree(source, {"plain.txt"});
  const std::string umlaut = "umlaut";
  ASSERT_TRUE(MakeWideItem(Widen(source) + L"\\Pr\u00FCfung.xls", &umlaut));
  // A wide backslash: through the narrow calls "..\outside" beside the target.
  MakeTree(target, {"old\\", "old\\x.txt"});
  const std::wstring wideName = Widen(target) + L"\\..\uFF3Coutside";
  ASSERT_TRUE(MakeWideItem(wideName));
  const std::string inside = "inside";
  ASSERT_TRUE(MakeWideItem(wideName + L"\\f.txt", &inside));
  // In a directory removed whole: "old\..\..\outside" through the narrow calls.
  const std::wstring deepName = Widen(target) + L"\\old\\..\uFF3C..\uFF3Coutside";
  ASSERT_TRUE(MakeWideItem(deepName));

  Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{NameError(source + "\\Pr?fung.xls"),
                                                 NameError(target + "\\..?outside"),
                                                 NameError(target + "\\.\\old\\..?..?outside")}));
  EXPECT_EQ(ReadTree(outside), (Tree{{kKeep, kKeep}}));
  EXPECT_TRUE(WideItemExists(wideName + L"\\f.txt"));
  EXPECT_TRUE(WideItemExists(deepName));
  EXPECT_FALSE(Exists(target + "\\old\\x.txt")) << "the rest of the directory goes";
  EXPECT_EQ(ReadFileBytes(target + "\\plain.txt"), "plain.txt");
  EXPECT_FALSE(Exists(target + "\\Prufung.xls"));

  // A user's own such file that the run would leave alone anyway is named,
  // not counted: the run succeeds.
  DeleteTree(source);
  MakeTree(source, {"plain.txt"});
  DeleteTree(target + "\\old");
  Run();
  EXPECT_EQ(Log("velkarin.err"), NameError(target + "\\..?outside"));
  EXPECT_TRUE(WideItemExists(wideName + L"\\f.txt"));
}

TEST_F(OutsideTarget, LinksInTheTargetAreReplacedNeverWrittenThrough) {
  const Tree untouched = {{"precious.txt", "precious.txt"}, {"other.txt", "other.txt"},
                          {"pair.txt", "pair.txt"},         {"deep.txt", "deep.txt"},
                          {"cut.txt", "cut.txt"}};
  MakeTree(outside, {"precious.txt", "other.txt", "pair.txt", "deep.txt", "cut.txt"});
  MakeTree(source, {"a.txt", "setup.ex"});
  // Published earlier than the files the links point to: both are updates.
  SetWriteTime(source + "\\a.txt", kBaseTime);
  SetWriteTime(source + "\\setup.ex", kBaseTime);
  MakeTree(target, {"old\\"});
  ASSERT_TRUE(MakeSymbolicLink(outside + "\\precious.txt", target + "\\a.txt"));  // updated
  ASSERT_TRUE(MakeSymbolicLink(outside + "\\other.txt", target + "\\b.txt"));     // surplus
  ASSERT_TRUE(MakeSymbolicLink(outside + "\\pair.txt", target + "\\kadu.exe"));   // a pair's target
  ASSERT_TRUE(MakeSymbolicLink(outside + "\\deep.txt", target + "\\old\\l.txt"));  // removed whole
  ASSERT_TRUE(MakeSymbolicLink(outside + "\\cut.txt", target + "\\c.txt"));        // cut

  Run("УдалятьНенужныеФайлы=да\n", "[Вырезать]\nc.txt\n[Проверить пары]\nkadu.exe=setup.ex\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ReadTree(outside), untouched);
  // Real files now: a link would still read as what it points to.
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}, {"kadu.exe", "setup.ex"}}));
  EXPECT_EQ(ActionLines(), (Lines{Copied("a.txt"),
                                  "Копирование файла \"" + source + "\\setup.ex\" в \"" + target + "\\kadu.exe\"",
                                  "Удаление каталога \"" + target + "\\.\\old\\\"",
                                  "Удаление файла \"" + target + "\\.\\b.txt\""}));
}

TEST_F(OutsideTarget, OwnFilesSurviveWhateverTheListsSay) {
  MakeTree(source, {"a.txt", "velkarin.err", "sub\\", "sub\\velkarin.out"});
  MakeTree(target, {"surplus.txt"});
  // The ini file lives in the target, and no [Игнорировать] names the logs.
  const std::string ini = RunIniText("УдалятьНенужныеФайлы=да\n", "[Игнорировать]\n# none\n");
  WriteIni(target + "\\velkarin.ini", ini);
  const std::string written = ReadFileBytes(target + "\\velkarin.ini").value_or("");
  const VelkarinRun run = RunVelkarin(target + "\\velkarin.ini", dir.Path());
  EXPECT_TRUE(run.exited) << "velkarin.exe did not end by itself";
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ReadFileBytes(target + "\\velkarin.ini"), written);
  EXPECT_FALSE(Exists(target + "\\surplus.txt"));
  EXPECT_EQ(ReadFileBytes(target + "\\sub\\velkarin.out"), "sub\\velkarin.out") << "not the program's";
  // Nothing is said about the program's own files.
  EXPECT_EQ(ActionLines(), (Lines{Copied("a.txt"), Copied("sub\\velkarin.out"), Created("sub"),
                                  "Удаление файла \"" + target + "\\.\\surplus.txt\""}));
}

TEST_F(OutsideTarget, RemovalFailuresAreLoggedAndCounted) {
  MakeTree(source, {"a.txt"});
  MakeTree(target, {"old\\", "old\\held.txt", "old\\free.txt", "old\\deep\\", "old\\deep\\f.txt"});
  {
    FileHolder holder(target + "\\old\\held.txt");
    ASSERT_TRUE(holder.Holding());
    // A cut entry already gone is no failure.
    Run("УдалятьНенужныеФайлы=да\n", "[Вырезать]\nнет-такого.txt\n", "", true);
  }
  EXPECT_EQ(ErrorLines(),
            (std::set<std::string>{"Ошибка 32 удаления файла \"" + target + "\\.\\old\\held.txt\"\r\n"}));
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}, {"old\\", ""}, {"old\\held.txt", "old\\held.txt"}}));

  Run("УдалятьНенужныеФайлы=да\n");  // released: the next run finishes the job
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}}));
}
