#include "fileops/long_path_copy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "config/sync_config.h"
#include "tests/support/test_support.h"
#include "win32/run_control.h"

using namespace testing_support;

TEST(LongPathCopy, CopiesPastTheClassicLimitAndOverwrites) {
  TempDir dir("long");
  std::string deep = dir / "t";
  CreateDirectoryA(deep.c_str(), nullptr);
  SyncConfig config;
  config.longPathCapable = true;
  // Create a target directory deeper than 260 characters through the same
  // extended-length form the copy uses.
  std::wstring wide = L"\\\\?\\";
  for (char c : deep) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  for (int level = 0; level < 4; ++level) {
    wide += L"\\" + std::wstring(70, L'd');
    deep += "\\" + std::string(70, 'd');
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));
  }
  ASSERT_GT(deep.size(), 300u);
  WriteFileBytes(dir / "s.txt", "first");
  const std::string target = deep + "\\.\\s.txt";  // the run's root marker stays in
  ASSERT_TRUE(CopyFileLongPath(config, (dir / "s.txt").c_str(), target.c_str()));
  WriteFileBytes(dir / "s.txt", "second");
  ASSERT_TRUE(CopyFileLongPath(config, (dir / "s.txt").c_str(), target.c_str()));
  const std::wstring copied = wide + L"\\s.txt";
  HANDLE file = CreateFileW(copied.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[16] = {};
  DWORD got = 0;
  ReadFile(file, buffer, sizeof(buffer), &got, nullptr);
  CloseHandle(file);
  EXPECT_EQ(std::string(buffer, got), "second");
  DeleteFileW(copied.c_str());
  for (int level = 0; level < 4; ++level) {
    RemoveDirectoryW(wide.c_str());
    wide.resize(wide.rfind(L'\\'));
  }
}

namespace {

DWORD CALLBACK NoteCall(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE,
                        HANDLE, LPVOID called) {
  *static_cast<bool*>(called) = true;
  return PROGRESS_CONTINUE;
}

// Whether CopyFileExW calls its progress routine at all here. Where it does
// (Windows), it calls it at least once per copy, before any data, from the
// copying thread; Wine 8 never calls it.
bool CopyCallsItsProgressRoutine(const TempDir& dir) {
  WriteFileBytes(dir / "probe.txt", "probe");
  bool called = false;
  const std::wstring source = Widen(dir / "probe.txt"), target = Widen(dir / "probe-copy.txt");
  const bool copied = CopyFileExW(source.c_str(), target.c_str(), &NoteCall, &called, nullptr, 0) != FALSE;
  DeleteFileW(target.c_str());
  return copied && called;
}

}  // namespace

TEST(LongPathCopy, StoppedRunCancelsACopyInProgress) {
  TempDir dir("cancel");
  if (!CopyCallsItsProgressRoutine(dir)) {
    GTEST_SKIP() << "CopyFileExW never calls its progress routine here (Wine 8): a copy cannot be "
                    "paused or cancelled mid-file, so this cannot be tested on this platform";
  }
  WriteFileBytes(dir / "big.bin", std::string(64 << 20, 'b'));
  RunControl control;
  SyncConfig config;
  config.longPathCapable = true;
  config.runControl = &control;
  control.Pause();  // the copy's first progress call waits, before any data
  std::atomic<bool> finished{false};
  bool copied = true;
  std::thread copy([&] {
    copied = CopyFileLongPath(config, (dir / "big.bin").c_str(), (dir / "copy.bin").c_str());
    finished = true;
  });
  // The target is created before the first progress call: from then on the
  // copy is in progress, and paused it cannot finish.
  for (int i = 0; i < 1500 && !Exists(dir / "copy.bin") && !finished; ++i) Sleep(20);
  EXPECT_FALSE(finished) << "a paused copy ran to its end";
  control.Stop();
  copy.join();
  EXPECT_FALSE(copied);
  EXPECT_FALSE(Exists(dir / "copy.bin")) << "no half-written target";
}
