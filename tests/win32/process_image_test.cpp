// Where the running check finds a process's executable: the path asked of
// the process itself and its first module's, each exact in Windows-1251 or
// not at all.
#include "win32/process_image.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// A copy of fake_client at a path of the test's choosing, running until the
// test ends.
class ProcessImage : public ::testing::Test {
 protected:
  TempDir dir{"image"};
  std::unique_ptr<WaitingClient> client;

  // `directory` may hold characters Windows-1251 cannot, so the copy and
  // the start go through the wide calls.
  bool StartClientIn(const std::wstring& directory) {
    const std::wstring exe = directory + L"\\kadu.exe";
    if (!CreateDirectoryW(directory.c_str(), nullptr) ||
        !CopyFileW(Widen(ExeDir() + "\\fake_client.exe").c_str(), exe.c_str(), TRUE)) {
      return false;
    }
    client = std::make_unique<WaitingClient>(exe, dir / "release");
    return client->Running();
  }
};

using Lookup = bool (*)(DWORD, std::string&);
struct NamedLookup {
  const char* name;
  Lookup lookup;
};
const NamedLookup kLookups[] = {{"image path", &QueriedImagePath}, {"module list", &FirstModulePath}};

// Under Wine the image path is the drive form ("C:\users\...\Temp\..."),
// as on Windows, never "\\?\" or a device path.
TEST_F(ProcessImage, FullPathOfAClientInACyrillicDirectory) {
  const std::string directory = dir / "Клиент Ёж";
  ASSERT_TRUE(StartClientIn(Widen(directory))) << "the client did not start";
  for (const NamedLookup& way : kLookups) {
    std::string image;
    EXPECT_TRUE(way.lookup(client->Id(), image)) << way.name;
    EXPECT_EQ(image, directory + "\\kadu.exe") << way.name;
  }
}

// "é" has no place in Windows-1251; a best-fit conversion would give
// "Cafe", naming another directory, which a configured path could name.
TEST_F(ProcessImage, PathWindows1251CannotHoldIsNoPath) {
  ASSERT_TRUE(StartClientIn(Widen(dir.Path()) + L"\\Caf\u00e9")) << "the client did not start";
  for (const NamedLookup& way : kLookups) {
    std::string image = "<untouched>";
    EXPECT_FALSE(way.lookup(client->Id(), image)) << way.name << ": " << image;
  }
}

}  // namespace
