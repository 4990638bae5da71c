// velkarin.exe when the share fails while a file is read: the connection
// drops part-way through, a byte range is locked on the server, a file is
// cut short while it is read. The system's copy may call such a copy a
// success (under Wine it stops at the first failed read and says nothing);
// the installed file must stay as it was and the run must say it failed.
//
// The source is latency_fs (bench/latency_fs) serving a local directory
// with the read faults asked for, mounted from Linux and reached as
// \\server\share, as the program meets a file server.
#include <gtest/gtest.h>

#include <memory>

#include "tests/e2e/sync_fixture.h"

using namespace e2e;
using namespace testing_support;

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

// Bytes that differ from one position to the next, so that a copy of the
// wrong part of the file cannot pass for the right one.
std::string Pattern(std::size_t size, char seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 + i / 4093);
  return bytes;
}

class TornShare : public Sync {
 protected:
  // The directory latency_fs serves: write the source's files here.
  std::string served = dir / "served";

  // Serves `served` through latency_fs with `faults` (its --fail-read and
  // --short-read options) and makes it \\<server>\share; `visible` is a
  // file of it whose appearance says the mount is up. Skips the test where
  // the machine cannot mount it (the caller returns when IsSkipped()).
  void Mount(const std::string& faults, const std::string& visible) {
    const std::string program = ExeDir() + "\\latency_fs";
    if (!Exists(program)) {
      GTEST_SKIP() << "latency_fs was not built (the build needs libfuse3-dev, which scripts/setup installs): "
                      "the torn copies are not tested";
    }
    mountPoint_ = dir / "mnt";
    flags_ = dir / "flags";
    MakeTree(mountPoint_, {});
    MakeTree(flags_, {});
    const std::string unixProgram = UnixPath(program);
    const std::string unixServed = UnixPath(served);
    const std::string unixMount = UnixPath(mountPoint_);
    const std::string unixFlags = UnixPath(flags_);
    if (unixProgram.empty() || unixServed.empty() || unixMount.empty() || unixFlags.empty() ||
        (unixProgram + unixServed + unixMount + unixFlags).find_first_of(" \"'") != std::string::npos) {
      GTEST_SKIP() << "needs Wine and paths without blanks to mount latency_fs";
    }
    // Bounded: whatever becomes of the test, the file system ends (and
    // unmounts itself) after two minutes. "ended" says it has.
    const bool answered = RunUnixShell(
        "if test -c /dev/fuse; then timeout -k 5 120 " + unixProgram + " " + faults + " " + unixServed + " " +
            unixMount + " >/dev/null 2>&1; touch " + unixFlags + "/ended; else touch " + unixFlags +
            "/nofuse; fi",
        [&] { return Exists(mountPoint_ + "\\" + visible) || Ended() || Exists(flags_ + "\\nofuse"); });
    if (Exists(flags_ + "\\nofuse")) GTEST_SKIP() << "no /dev/fuse on this machine: the torn copies are not tested";
    mounted_ = answered && !Ended() && Exists(mountPoint_ + "\\" + visible);
    if (!mounted_) GTEST_SKIP() << "latency_fs could not mount here (FUSE refused): the torn copies are not tested";
    share_ = std::make_unique<ScopedUncShare>(mountPoint_, "vktorn" + std::to_string(GetCurrentProcessId()));
    ASSERT_FALSE(share_->Path().empty()) << "the mounted directory could not be made a UNC share";
  }

  void TearDown() override {
    share_.reset();
    if (!mounted_) return;
    EXPECT_TRUE(RunUnixShell("fusermount3 -u " + UnixPath(mountPoint_), [&] { return Ended(); }))
        << "latency_fs at " << mountPoint_ << " did not end on unmounting";
  }

  std::string Share() const { return share_->Path(); }

  // A copy of `relative` that came out shorter than the source, up to the
  // system's code (UpToReasonCode): ERROR_HANDLE_EOF.
  std::string ShortCopyError(const std::string& relative) {
    return CopyError(Share() + "\\.\\" + relative, target + "\\.\\" + relative, ERROR_HANDLE_EOF);
  }

  // `name` installed in the target with `bytes` and an old time, and a
  // newer `newBytes` on the share.
  void Update(const std::string& name, const std::string& bytes, const std::string& newBytes) {
    WriteFileBytes(target + "\\" + name, bytes);
    SetWriteTime(target + "\\" + name, kBaseTime);
    WriteFileBytes(served + "\\" + name, newBytes);
    SetWriteTime(served + "\\" + name, kBaseTime + 100 * kSecond);
  }

 private:
  bool Ended() const { return Exists(flags_ + "\\ended"); }

  std::string mountPoint_;
  std::string flags_;
  bool mounted_ = false;
  std::unique_ptr<ScopedUncShare> share_;
};

}  // namespace

// kadu.dll: the share fails 300 KB into the 1 MB file; locked.dll: its first
// read fails.
TEST_F(TornShare, ReadErrorsLeaveTheInstalledFilesAsTheyWere) {
  MakeTree(served, {});
  MakeTree(target, {});
  const std::string oldDll = Pattern(kMegabyte, 'o');
  const std::string oldLocked = Pattern(70000, 'l');
  Update("kadu.dll", oldDll, Pattern(kMegabyte, 'n'));
  Update("locked.dll", oldLocked, Pattern(80000, 'm'));
  ASSERT_NO_FATAL_FAILURE(Mount("--fail-read kadu.dll:307200 --fail-read locked.dll:0", "kadu.dll"));
  if (IsSkipped()) return;

  Run("", "", Share(), true);
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{ShortCopyError("kadu.dll"), ShortCopyError("locked.dll")}));
  EXPECT_TRUE(ReadFileBytes(target + "\\kadu.dll") == oldDll) << "kadu.dll was replaced by a torn copy";
  EXPECT_TRUE(ReadFileBytes(target + "\\locked.dll") == oldLocked) << "locked.dll was replaced by a torn copy";
  EXPECT_EQ(Temporaries(target), Lines{});
}

// The share lists kadu.dll at 1 MB and kadu.ini (a [Проверить пары] file)
// at 50,000 bytes, and both end early when read.
TEST_F(TornShare, FilesThatReadShorterThanListedLeaveTheInstalledFilesAsTheyWere) {
  MakeTree(served, {});
  MakeTree(target, {});
  const std::string oldDll = Pattern(kMegabyte, 'o');
  const std::string oldIni = Pattern(30000, 'i');
  Update("kadu.dll", oldDll, Pattern(kMegabyte, 'n'));
  Update("kadu.ini", oldIni, Pattern(50000, 'j'));
  ASSERT_NO_FATAL_FAILURE(Mount("--short-read kadu.dll:400000 --short-read kadu.ini:20000", "kadu.dll"));
  if (IsSkipped()) return;

  Run("", "[Проверить пары]\nkadu.ini=kadu.ini\n", Share(), true);
  const std::string pairError = CopyError(Share() + "\\kadu.ini", target + "\\kadu.ini", ERROR_HANDLE_EOF);
  EXPECT_EQ(ErrorLines(), (std::set<std::string>{ShortCopyError("kadu.dll"), pairError}));
  EXPECT_TRUE(ReadFileBytes(target + "\\kadu.dll") == oldDll) << "kadu.dll was replaced by a torn copy";
  EXPECT_TRUE(ReadFileBytes(target + "\\kadu.ini") == oldIni) << "kadu.ini was replaced by a torn copy";
  EXPECT_EQ(Temporaries(target), Lines{});
}
