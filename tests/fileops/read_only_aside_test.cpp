// Removing the old version of a read-only file once its new version stands:
// the read-only attribute belongs to the file, not to the name, so it is
// never cleared on a file that other hard links share.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "fileops/files_in_use.h"
#include "log/logs.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

bool ReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace

TEST(ReadOnlyAside, IsRemovedUnlessAnotherHardLinkSharesIt) {
  TempDir dir("ro");
  MakeTree(dir.Path(), {"alone.~velkarin-aside7-0", "shared.~velkarin-aside7-0"});
  ASSERT_TRUE(CreateHardLinkA((dir / "elsewhere.txt").c_str(), (dir / "shared.~velkarin-aside7-0").c_str(), nullptr));
  for (const char* name : {"alone.~velkarin-aside7-0", "shared.~velkarin-aside7-0"}) {
    ASSERT_TRUE(SetFileAttributesA((dir / name).c_str(), FILE_ATTRIBUTE_READONLY)) << name;
  }
  TempDir logs("logs");
  {
    StdStreamGuard guard;
    OpenLogs((logs.Path() + "\\").c_str());
    RemoveReadOnlyAside(dir / "alone.~velkarin-aside7-0");
    RemoveReadOnlyAside(dir / "shared.~velkarin-aside7-0");
    CloseLogs();
  }
  EXPECT_FALSE(Exists(dir / "alone.~velkarin-aside7-0"));
  // Where the system deletes a read-only file as it is, the shared one goes
  // too and the other name keeps the attribute; elsewhere it stays whole.
  EXPECT_TRUE(ReadOnly(dir / "elsewhere.txt")) << "the attribute was cleared for every name of the file";
  EXPECT_EQ(ReadFileBytes(dir / "elsewhere.txt"), "shared.~velkarin-aside7-0");
  if (Exists(dir / "shared.~velkarin-aside7-0")) {
    EXPECT_EQ(ReadFileBytes(logs / "velkarin.out"),
              "Файл \"" + (dir / "shared.~velkarin-aside7-0") +
                  "\" только для чтения и имеет другие жесткие ссылки, оставлен\r\n");
    SetFileAttributesA((dir / "shared.~velkarin-aside7-0").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  SetFileAttributesA((dir / "elsewhere.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}
