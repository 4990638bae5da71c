// velkarin.exe against targets and shares that try to make it write where
// it must not, or lose what it must keep: names the file system folds,
// directories where the source has files, leftovers of other runs, two runs
// at once, names at the length limit, names the narrow calls would change.
#include <gtest/gtest.h>

#include <set>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

class DataSafety : public Sync {
 protected:
  std::string outside = dir / "outside";

  // The files of `directory` (not below it), read through extended paths;
  // the logs left out.
  Tree ExtendedTree(const std::string& directory) {
    Tree tree;
    const std::wstring root = L"\\\\?\\" + Widen(directory) + L"\\";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return tree;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L".." || name == L"velkarin.out" || name == L"velkarin.err") continue;
      std::string content;
      HANDLE file = CreateFileW((root + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
      char buffer[4096];
      DWORD got = 0;
      while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got != 0) {
        content.append(buffer, got);
      }
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
      tree[std::string(name.begin(), name.end())] = content;  // the test's long names are ASCII
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return tree;
  }
  // A file the test makes where the narrow calls cannot: through the
  // extended path, which keeps a trailing dot or space.
  void MakeExtendedFile(const std::string& path, const std::string& content, DWORD attributes = 0,
                        unsigned long long writeTime = 0) {
    const std::wstring wide = L"\\\\?\\" + Widen(path);
    ASSERT_TRUE(MakeWideItem(wide, &content)) << path;
    if (writeTime != 0) {
      HANDLE file = CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
      const FILETIME time{static_cast<DWORD>(writeTime), static_cast<DWORD>(writeTime >> 32)};
      EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time)) << path;
      CloseHandle(file);
    }
    if (attributes != 0) {
      ASSERT_TRUE(SetFileAttributesW(wide.c_str(), attributes)) << path;
    }
  }
};

// Process ids under Wine are multiples of four: these name no process.
const std::string kGonePid = "4242";

}  // namespace

TEST_F(DataSafety, NamesArePairedAsTheFileSystemFoldsThemAndNothingIsWrittenThroughALink) {
  // A link in the target spelled in other Cyrillic case than the source's
  // directory: the same directory to the file system.
  MakeTree(outside, {"m.dll"});
  MakeTree(source, {"Данные\\", "Данные\\m.dll", "Данные\\new.dll", "Модули\\", "Модули\\m.dll"});
  MakeTree(target, {"МОДУЛИ\\", "МОДУЛИ\\m.dll"});
  SetWriteTime(source + "\\Модули\\m.dll", kBaseTime);
  SetWriteTime(target + "\\МОДУЛИ\\m.dll", kBaseTime);
  ASSERT_TRUE(MakeSymbolicLink(outside, target + "\\ДАННЫЕ"));

  Run("УдалятьНенужныеФайлы=да\n", "", "", true);
  EXPECT_EQ(ReadTree(outside), (Tree{{"m.dll", "m.dll"}})) << "written through the link";
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{"Ошибка 4395 чтения каталога \"" + target + "\\ДАННЫЕ\\\"\r\n"}));
  // The directory that differs only in case is the source's: nothing to do.
  EXPECT_EQ(ActionLines(), Lines{});
  EXPECT_EQ(ReadFileBytes(target + "\\МОДУЛИ\\m.dll"), "МОДУЛИ\\m.dll");

  // A share on a case-sensitive file system holding both "sub" and "SUB":
  // one is taken, the other is an error, and nothing is written twice.
  DeleteTree(source);
  DeleteTree(target + "\\ДАННЫЕ");
  MakeTree(source, {});
  const std::string unixSource = UnixPath(source);
  ASSERT_TRUE(RunUnixShell("mkdir " + unixSource + "/sub " + unixSource + "/SUB && echo lower > " + unixSource +
                               "/sub/f.txt && echo upper > " + unixSource + "/SUB/f.txt && touch " +
                               UnixPath(dir / "made"),
                           [&] { return Exists(dir / "made"); }));
  Run("", "", "", true);
  const std::set<std::string> errors = ErrorLines();
  ASSERT_EQ(errors.size(), 1u) << Log("velkarin.err");
  const std::string line = *errors.begin();
  const std::string suffix = "\": такое имя без учета регистра уже есть в каталоге\r\n";
  const bool upperLeftOut = line == "Ошибка 183 чтения имени \"" + source + "\\SUB" + suffix;
  EXPECT_TRUE(upperLeftOut || line == "Ошибка 183 чтения имени \"" + source + "\\sub" + suffix) << line;
  const Tree copied = ReadTree(target + "\\sub");
  EXPECT_EQ(copied, (Tree{{"f.txt", upperLeftOut ? "lower\n" : "upper\n"}})) << "the kept one's file, once";
}

TEST_F(DataSafety, AUsersDirectoryWhereTheSourceHasAFileIsLeftAsItIs) {
  MakeTree(source, {"data", "setup.ex"});
  MakeTree(target, {"data\\", "data\\notes.txt", "pairdir\\", "pairdir\\mine.txt"});
  const Tree before = ReadTree(target);

  Run("", "[Проверить пары]\npairdir=setup.ex\n", "", true);
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{CopyError(source + "\\.\\data", target + "\\.\\data", 5),
                                                 CopyError(source + "\\setup.ex", target + "\\pairdir", 5)}));
  EXPECT_EQ(TargetTree(), before) << "a directory renamed aside or replaced";
}

TEST_F(DataSafety, LeftoversOfOtherRunsAreMovedBackOrRemovedOnlyByARunWhoseProcessIsGone) {
  MakeTree(source, {"a.txt"});
  MakeTree(target, {"a.txt"});
  SetWriteTime(source + "\\a.txt", kBaseTime);
  SetWriteTime(target + "\\a.txt", kBaseTime);
  // An old version renamed aside whose name nothing took back; one whose
  // name holds the new version; an unfinished copy.
  WriteFileBytes(target + "\\kadu.dll.~velkarin-aside" + kGonePid + "-0", "old kadu");
  WriteFileBytes(target + "\\a.txt.~velkarin-aside" + kGonePid + "-1", "old a");
  WriteFileBytes(target + "\\x.dll.~velkarin" + kGonePid + "-0", "half");
  // A process that is running, and its run's unfinished copy.
  WaitingClient other(Widen(ExeDir() + "\\fake_client.exe"), dir / "release");
  ASSERT_TRUE(other.Running());
  const std::string running = "y.dll.~velkarin" + std::to_string(other.Id()) + "-0";
  WriteFileBytes(target + "\\" + running, "being written");

  Run();
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(TargetTree(), (Tree{{"a.txt", "a.txt"}, {"kadu.dll", "old kadu"}, {running, "being written"}}));
  EXPECT_EQ(ActionLines(), (Lines{"Возврат файла \"" + target + "\\kadu.dll.~velkarin-aside" + kGonePid +
                                  "-0\" в \"" + target + "\\kadu.dll\""}));

  other.Release();
  Run();
  EXPECT_EQ(Temporaries(target), Lines{}) << "the ended process's copy is a leftover now";
}

TEST_F(DataSafety, ASecondStartOnTheSameTargetEndsAtOnceAndTouchesNothing) {
  // The first run holds its target while its box asks about the running
  // client; a second start meanwhile, with the target spelled in another
  // case, must neither run nor empty the first run's logs.
  MakeTree(source, {"a.txt"});
  MakeTree(target, {});
  WriteFileBytes(target + "\\kadu.exe", *ReadFileBytes(ExeDir() + "\\fake_client.exe"));
  WaitingClient client(Widen(target + "\\kadu.exe"), dir / "release", target);
  ASSERT_TRUE(client.Running());
  const auto ini = [&](const std::string& targetPath, const std::string& check) {
    return RunIniText("КаталогПриемник=" + targetPath + "\nПроверятьЗапущеноЛиУже=" + check + "\n");
  };
  WriteIni(dir / "velkarin.ini", ini(target, "kadu.exe"));
  RunningVelkarin first("", dir.Path());
  const std::string errorLine = "Ошибка: приложение уже запущено, синхронизация невозможна\r\n";
  WaitUntil([&] { return Log("velkarin.err") == errorLine || !first.Running(); }, 20000);
  ASSERT_EQ(Log("velkarin.err"), errorLine) << "the first run did not reach its question";

  WriteIni(dir / "second.ini", ini(dir.Path() + "\\ПРИЕМНИК", ""));
  const VelkarinRun second = RunVelkarin("second.ini", dir.Path());
  EXPECT_TRUE(second.exited) << "the second start waited or showed a box";
  EXPECT_EQ(second.exitCode, 6u) << "another run holds the target";
  EXPECT_EQ(Log("velkarin.err"), errorLine) << "the second start touched the first run's log";
  EXPECT_FALSE(Exists(target + "\\a.txt")) << "the second start synchronised";

  BoxAnswerer answer(kWorkerCaption, "no");
  EXPECT_TRUE(answer.Finish().shown);
  EXPECT_TRUE(first.WaitForExit(30000));
}

TEST_F(DataSafety, NamesNearTheLengthLimitAreCopiedReplacedAndDeleted) {
  // Paths past 260 characters: the test reaches them through extended paths.
  const std::string added(240, 'n');
  const std::string updated(241, 'u');
  const std::string surplus(242, 's');
  MakeTree(source, {});
  MakeTree(target, {});
  MakeExtendedFile(source + "\\" + added, added);
  MakeExtendedFile(source + "\\" + updated, updated);
  MakeExtendedFile(target + "\\" + updated, "old", 0, kBaseTime);
  MakeExtendedFile(target + "\\" + surplus, surplus);

  Run("УдалятьНенужныеФайлы=да\n");
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(ExtendedTree(target), (Tree{{added, added}, {updated, updated}}));
}

TEST_F(DataSafety, AttributesAreSetOnTheCopyNotOnAFileTheNarrowCallsWouldFind) {
  // "a." on a share; the target holds the user's read-only "a", which the
  // narrow calls would take "a." for.
  MakeTree(source, {});
  MakeExtendedFile(source + "\\a.", "from the share", FILE_ATTRIBUTE_READONLY);
  MakeTree(target, {"a"});
  ASSERT_TRUE(SetFileAttributesA((target + "\\a").c_str(), FILE_ATTRIBUTE_READONLY));

  Run();
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(GetFileAttributesA((target + "\\a").c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))
      << "the user's file lost its read-only attribute";
  const DWORD copied = GetFileAttributesW((L"\\\\?\\" + Widen(target + "\\a.")).c_str());
  ASSERT_NE(copied, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(copied & FILE_ATTRIBUTE_READONLY, 0u) << "the copy keeps its read-only attribute";
  SetFileAttributesA((target + "\\a").c_str(), FILE_ATTRIBUTE_NORMAL);
}
