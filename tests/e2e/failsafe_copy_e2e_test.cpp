// velkarin.exe when a copy cannot finish: a target that fills up, a run
// killed in the middle of a large file. Whatever happens, no file under its
// final name is ever half written, an old file stays as it was, and what a
// copy leaves behind is gone after the next run.
#include <gtest/gtest.h>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

// Whether `path` names no file, or one that reads exactly `bytes`.
bool AbsentOrWhole(const std::string& path, const std::string& bytes) {
  if (!Exists(path)) return true;
  return ReadFileBytes(path) == bytes;
}

// The target is a small tmpfs of its own, mounted from Linux (the tests run
// as root), so that a copy into it runs out of space.
class FullTarget : public Sync {
 protected:
  void SetUp() override {
    MakeTree(target, {});
    const std::string flags = dir / "flags";
    MakeTree(flags, {});
    unixTarget_ = UnixPath(target);
    const std::string unixFlags = UnixPath(flags);
    if (unixTarget_.empty() || unixFlags.empty() ||
        (unixTarget_ + unixFlags).find_first_of(" \"'") != std::string::npos) {
      GTEST_SKIP() << "needs Wine and a temporary directory without blanks to mount a small file system";
    }
    // 80 pages of 4 KiB: with the 200,000-byte file and the two logs in it,
    // about 110 KB stay free.
    const bool answered = RunUnixShell(
        "mount -t tmpfs -o size=320k tmpfs " + unixTarget_ + " && touch " + unixFlags + "/mounted || touch " +
            unixFlags + "/refused",
        [&] { return Exists(flags + "\\mounted") || Exists(flags + "\\refused"); });
    mounted_ = answered && Exists(flags + "\\mounted");
    if (!mounted_) GTEST_SKIP() << "cannot mount a tmpfs as the target here (mount needs root): not tested";
  }
  void TearDown() override {
    if (!mounted_) return;
    const std::string marker = target + "\\gone";
    WriteFileBytes(marker, "");  // on the tmpfs: gone once it is unmounted
    EXPECT_TRUE(RunUnixShell("umount " + unixTarget_, [&] { return !Exists(marker); }))
        << "the test's tmpfs at " << unixTarget_ << " could not be unmounted";
  }

 private:
  std::string unixTarget_;
  bool mounted_ = false;
};

}  // namespace

TEST_F(FullTarget, UpdateThatDoesNotFitLeavesTheOldFileWhole) {
  const std::string oldBytes(200000, 'o');
  const std::string newBytes(400000, 'n');
  MakeTree(source, {});
  WriteFileBytes(source + "\\kadu.dll", newBytes);
  WriteFileBytes(target + "\\kadu.dll", oldBytes);
  SetWriteTime(target + "\\kadu.dll", kBaseTime);
  SetWriteTime(source + "\\kadu.dll", kBaseTime + 100 * kSecond);

  Run("", "", "", true);
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{CopyError("kadu.dll", ERROR_DISK_FULL)}));
  EXPECT_TRUE(ReadFileBytes(target + "\\kadu.dll") == oldBytes) << "the old file is no longer whole";
  EXPECT_EQ(Temporaries(target), Lines{});
}

TEST_F(FullTarget, NewFileThatDoesNotFitLeavesNothingUnderItsName) {
  MakeTree(source, {"small.txt"});
  WriteFileBytes(source + "\\big.bin", std::string(400000, 'b'));

  Run("", "", "", true);
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{CopyError("big.bin", ERROR_DISK_FULL)}));
  EXPECT_FALSE(Exists(target + "\\big.bin")) << "a half file under the final name";
  EXPECT_EQ(ReadFileBytes(target + "\\small.txt"), "small.txt");
  EXPECT_EQ(Temporaries(target), Lines{});
}

TEST_F(Sync, RunKilledMidCopyLeavesNoHalfFileAndTheNextRunCleansUp) {
  const std::string big(96 << 20, 'k');
  MakeTree(source, {"a.txt"});
  WriteFileBytes(source + "\\big.bin", big);
  MakeTree(target, {});
  WriteRunIni();
  // Killed as soon as anything of the large file shows in the target: the
  // test wakes when a name in the target changes or the run ends.
  const HANDLE changes = FindFirstChangeNotificationA(target.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(changes, INVALID_HANDLE_VALUE) << "the target cannot be watched, error " << GetLastError();
  RunningVelkarin program("", dir.Path());
  bool seen = false, timedOut = false;
  while (program.Started()) {
    WIN32_FIND_DATAA data;
    seen = win32::ScopedFind(FindFirstFileA((target + "\\big.bin*").c_str(), &data)).Valid();
    if (seen) break;
    const HANDLE events[] = {program.Handle(), changes};
    const DWORD woke = WaitForMultipleObjects(2, events, FALSE, 120000);
    if (woke != WAIT_OBJECT_0 + 1) {
      timedOut = woke != WAIT_OBJECT_0;  // else the run has ended
      break;
    }
    FindNextChangeNotification(changes);
  }
  FindCloseChangeNotification(changes);
  ASSERT_TRUE(program.Started()) << "cannot start velkarin.exe";
  program.Kill();
  ASSERT_FALSE(timedOut) << "neither a change in the target nor the run's end came within two minutes";
  ASSERT_TRUE(seen) << "the run ended before its large copy could be interrupted";

  EXPECT_TRUE(AbsentOrWhole(target + "\\big.bin", big)) << "a half-written file under its final name";
  EXPECT_EQ(Temporaries(target).size(), 1u) << "the run was not killed during its copy";

  Run();
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  EXPECT_EQ(Temporaries(target), Lines{});
  EXPECT_TRUE(ReadFileBytes(target + "\\big.bin") == big);
  EXPECT_EQ(ReadFileBytes(target + "\\a.txt"), "a.txt");
  for (const std::string& line : ActionLines()) {
    EXPECT_EQ(line.find("~velkarin"), std::string::npos) << "the log names the temporary: " << line;
  }
}

TEST_F(Sync, OnlyNamesOfTheTemporariesExactShapeAreTakenForThem) {
  // Look-alikes are the user's: copied, kept. A temporary in the source is
  // never part of the release; one in the target goes even with deletion off.
  const Lines lookAlikes = {"notes.~velkarin.txt", "a.~velkarin12", "b.~velkarin1-2.txt", "c.~velkarin1-x"};
  MakeTree(source, lookAlikes);
  MakeTree(source, {"kadu.dll", "kadu.dll.~velkarin77-0"});
  MakeTree(target, {"mine.~velkarin3", "sub\\", "sub\\x.dll.~velkarin4242-13"});
  MakeTree(source, {"sub\\"});

  Run();
  EXPECT_FALSE(Exists(target + "\\velkarin.err")) << Log("velkarin.err");
  Tree expected = {{"kadu.dll", "kadu.dll"}, {"mine.~velkarin3", "mine.~velkarin3"}, {"sub\\", ""}};
  for (const std::string& name : lookAlikes) expected[name] = name;
  EXPECT_EQ(TargetTree(), expected);
  Lines copied;
  for (const std::string& name : lookAlikes) copied.push_back(Copied(name));
  copied.push_back(Copied("kadu.dll"));
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(ActionLines(), copied);
}
