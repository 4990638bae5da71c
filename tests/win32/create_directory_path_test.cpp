#include "win32/create_directory_path.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct Thrown {
  bool threw = false;
  std::string text;
  DWORD error = 0;
};

Thrown Create(const std::string& path) {
  Thrown result;
  try {
    CreateDirectoryPath(path.c_str());
  } catch (const DirectoryCreationError& error) {
    result.error = error.systemError;
    result.threw = true;
    result.text = error.text;
  }
  return result;
}

}  // namespace

TEST(CreateDirectoryPath, CreatesEveryMissingLevel) {
  TempDir dir("mk");
  const Thrown result = Create(dir / "a\\Бэ\\c d");
  EXPECT_FALSE(result.threw) << result.text;
  EXPECT_TRUE(IsDirectory(dir / "a"));
  EXPECT_TRUE(IsDirectory(dir / "a\\Бэ"));
  EXPECT_TRUE(IsDirectory(dir / "a\\Бэ\\c d"));

  // Existing levels are passed over, with or without a final backslash.
  WriteFileBytes(dir / "a\\Бэ\\keep.txt", "keep");
  EXPECT_FALSE(Create(dir / "a\\Бэ\\").threw);
  EXPECT_FALSE(Create(dir / "a\\Бэ\\c d\\e").threw);
  EXPECT_TRUE(IsDirectory(dir / "a\\Бэ\\c d\\e"));
  EXPECT_EQ(ReadFileBytes(dir / "a\\Бэ\\keep.txt").value_or(""), "keep");
}

TEST(CreateDirectoryPath, RelativePathsStartAtTheCurrentDirectory) {
  TempDir dir("rel");
  ScopedCurrentDir cwd(dir.Path());
  EXPECT_FALSE(Create("x\\y").threw);
  EXPECT_TRUE(IsDirectory(dir / "x\\y"));
  EXPECT_FALSE(Create(".").threw);
}

TEST(CreateDirectoryPath, FileInTheWayIsNamedInTheMessage) {
  TempDir dir("file");
  WriteFileBytes(dir / "Отчет", "data");
  const Thrown result = Create(dir / "Отчет\\sub\\deeper");
  ASSERT_TRUE(result.threw);
  EXPECT_EQ(result.text,
            "невозможно создать каталог \"" + (dir / "Отчет") + "\" т.к. найден файл с тем же именем");
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadFileBytes(dir / "Отчет").value_or(""), "data") << "the file is left alone";

  // The last level being a file is refused the same way.
  const Thrown last = Create(dir / "Отчет");
  ASSERT_TRUE(last.threw);
  EXPECT_EQ(last.text,
            "невозможно создать каталог \"" + (dir / "Отчет") + "\" т.к. найден файл с тем же именем");
}

TEST(CreateDirectoryPath, NetworkPathWithoutShareIsAnInvalidName) {
  for (const std::string path : {"\\\\srv", "\\\\srv\\", "\\\\"}) {
    const Thrown result = Create(path);
    ASSERT_TRUE(result.threw) << path;
    EXPECT_EQ(result.text, "неверное имя каталога \"" + path + "\"");
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_INVALID_NAME));
  }
}

TEST(CreateDirectoryPath, FailedCreationCarriesTheSystemError) {
  // A drive that does not exist: Wine reads its first level as "file not
  // found", so the level is created, and that creation fails for the same
  // reason with ERROR_FILE_NOT_FOUND. (Windows says "path not found" for
  // both calls, and the level is then passed over.)
  if (GetLogicalDrives() & (1u << ('Q' - 'A'))) GTEST_SKIP() << "drive Q: exists here";
  const Thrown result = Create("Q:\\нет\\такого");
  ASSERT_TRUE(result.threw);
  EXPECT_EQ(result.text, "невзможно создать каталог \"Q:\\нет\"");
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(CreateDirectoryPath, FailedCreationCarriesTheCreationsOwnError) {
  // A link whose directory is gone: the level reads as "file not found",
  // yet its name is taken, so creating it fails with ERROR_ALREADY_EXISTS.
  // The code thrown is the creation's, not the earlier look-up's (2), and
  // not one fixed value: the case above gives another.
  TempDir dir("dangling");
  CreateDirectoryA((dir / "gone").c_str(), nullptr);
  if (!MakeSymbolicLink(dir / "gone", dir / "link")) GTEST_SKIP() << "no Unix links here (not Wine)";
  ASSERT_TRUE(RemoveDirectoryA((dir / "gone").c_str()));
  const Thrown result = Create(dir / "link\\sub");
  // Wine can neither see nor remove a dangling link: it goes from the Unix
  // side, and is awaited by creating a directory of its name.
  StartUnixProgram("Z:\\bin\\rm", "Z:\\bin\\rm -f \"" + UnixPath(dir / "link") + "\"");
  for (int i = 0; i < 250 && !CreateDirectoryA((dir / "link").c_str(), nullptr); ++i) Sleep(20);
  ASSERT_TRUE(result.threw);
  EXPECT_EQ(result.text, "невзможно создать каталог \"" + (dir / "link") + "\"");
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST(CreateDirectoryPath, PathBeyondTheBufferIsAnInvalidName) {
  TempDir dir("long");
  const std::string path = dir / std::string(1100, 'n');
  const Thrown result = Create(path);
  ASSERT_TRUE(result.threw);
  EXPECT_EQ(result.text, "неверное имя каталога \"" + path + "\"");
}
