// The copy that hashes what it reads: the bytes, attributes and time of
// the system's copy, the digest of the bytes, and nothing written over a
// name already taken.
#include "fileops/checked_copy.h"

#include <gtest/gtest.h>

#include <string>

#include "config/sync_config.h"
#include "tests/support/test_support.h"
#include "win32/file_hash.h"
#include "win32/wide_text.h"

using namespace testing_support;

TEST(CheckedCopy, CopiesAsTheSystemDoesHashesWhatItReadAndNeverWritesOverAName) {
  TempDir dir("checked");
  SyncConfig config;
  const std::string source = dir / "s.bin";
  std::string bytes;
  for (int i = 0; i < 1500000; ++i) bytes += static_cast<char>(i * 7 % 251);  // more than one chunk
  WriteFileBytes(source, bytes);
  HANDLE file = CreateFileA(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const FILETIME stamp{0x12345600u, 0x01d00000u};
  ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
  CloseHandle(file);
  ASSERT_TRUE(SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

  Sha256Digest digest{};
  std::uint64_t copied = 0;
  ASSERT_TRUE(CopyFileHashing(config, source.c_str(), (dir / "t.bin").c_str(), nullptr, digest, copied)) << GetLastError();
  EXPECT_EQ(copied, bytes.size());
  EXPECT_EQ(ReadFileBytes(dir / "t.bin"), bytes);
  Sha256Digest alone{};
  std::uint64_t read = 0;
  unsigned long error = 0;
  ASSERT_TRUE(Sha256OfFile(WidenAnsi(source), alone, read, error));
  EXPECT_EQ(digest, alone);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA((dir / "t.bin").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, stamp.dwLowDateTime);
  EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, stamp.dwHighDateTime);

  WriteFileBytes(dir / "taken.bin", "keep");
  EXPECT_FALSE(CopyFileHashing(config, source.c_str(), (dir / "taken.bin").c_str(), nullptr, digest, copied));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadFileBytes(dir / "taken.bin"), std::string("keep"));

  EXPECT_FALSE(CopyFileHashing(config, (dir / "gone.bin").c_str(), (dir / "u.bin").c_str(), nullptr, digest, copied));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA((dir / "u.bin").c_str()), INVALID_FILE_ATTRIBUTES);

  for (const char* name : {"s.bin", "t.bin"}) SetFileAttributesA((dir / name).c_str(), FILE_ATTRIBUTE_NORMAL);
}
