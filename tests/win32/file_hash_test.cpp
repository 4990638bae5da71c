// Files hashed in turn on two threads: each digest the one a single read
// gives, delivered in order, a file that cannot be read named by its code,
// and a stop that ends the deliveries.
#include "win32/file_hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "win32/wide_text.h"

using namespace testing_support;

namespace {

std::string HexOf(const Sha256Digest& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

}  // namespace

TEST(HashFilesInTurn, EachFileInOrderAsOneReadGivesItAndAStopEndsThem) {
  TempDir dir;
  // More files than the pipeline has buffers, one of them read in several
  // pieces, one empty and one missing among them.
  std::vector<std::string> paths;
  for (int i = 0; i < 30; ++i) {
    const std::string path = dir / ("f" + std::to_string(i));
    if (i == 4) {
      WriteFileBytes(path, std::string(1000000, 'a'));
    } else if (i == 7) {
      WriteFileBytes(path, "");
    } else if (i != 11) {
      WriteFileBytes(path, "abc" + std::string(static_cast<std::size_t>(i) * 1000, 'x'));
    }
    paths.push_back(path);
  }
  // Hashed on this thread when the process may use one processor, on two
  // threads when it may use more: both ways are run.
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
  const DWORD_PTR one = system & (~system + 1);
  for (const DWORD_PTR mask : {one, system}) {
    SCOPED_TRACE(mask == one ? "one processor" : "every processor");
    ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), mask));
    std::vector<std::size_t> order;
    std::vector<FileHash> hashes;
    HashFilesInTurn(
        paths.size(), [&](std::size_t i) { return WidenAnsi(paths[i]); },
        [&](std::size_t i, const FileHash& hash) {
          order.push_back(i);
          hashes.push_back(hash);
          return true;
        });
    ASSERT_EQ(order.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
      SCOPED_TRACE(paths[i]);
      EXPECT_EQ(order[i], i);
      if (i == 11) {
        EXPECT_FALSE(hashes[i].hashed);
        EXPECT_EQ(hashes[i].error, 2u) << "a missing file is named by the system's code";
        continue;
      }
      Sha256Digest alone{};
      std::uint64_t bytes = 0;
      unsigned long error = 0;
      ASSERT_TRUE(Sha256OfFile(WidenAnsi(paths[i]), alone, bytes, error));
      EXPECT_TRUE(hashes[i].hashed);
      EXPECT_EQ(hashes[i].bytes, bytes);
      EXPECT_EQ(HexOf(hashes[i].digest), HexOf(alone));
    }
    EXPECT_EQ(HexOf(hashes[4].digest), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(HexOf(hashes[7].digest), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

    std::size_t calls = 0;
    HashFilesInTurn(
        paths.size(), [&](std::size_t i) { return WidenAnsi(paths[i]); },
        [&](std::size_t, const FileHash&) { return ++calls < 3; });
    EXPECT_EQ(calls, 3u) << "nothing is delivered after a stop";
  }
  ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), process));
  if (system == one) GTEST_SKIP() << "this machine has one processor: the hashing on two threads was not run";
}
