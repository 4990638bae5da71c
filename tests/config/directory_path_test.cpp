#include "config/directory_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Normalised(const std::string& source) {
  char destination[kPathSize];
  std::memset(destination, 'Z', sizeof(destination));
  NormaliseDirectoryPath(destination, source.c_str());
  EXPECT_NE(std::memchr(destination, '\0', sizeof(destination)), nullptr) << "unterminated";
  return destination;
}

}  // namespace

TEST(NormaliseDirectoryPath, AppendsOneBackslashOnly) {
  EXPECT_EQ(Normalised("C:\\src"), "C:\\src\\");
  EXPECT_EQ(Normalised("C:\\src\\"), "C:\\src\\");
  EXPECT_EQ(Normalised("\\\\srv\\share"), "\\\\srv\\share\\");
  EXPECT_EQ(Normalised("отн"), "отн\\");
}

TEST(NormaliseDirectoryPath, FillsTheFieldExactlyAtTheLimits) {
  // 1022 characters: room for the appended backslash.
  const std::string path1022 = "C:\\" + std::string(1019, 'a');
  EXPECT_EQ(Normalised(path1022), path1022 + "\\");
  EXPECT_EQ(Normalised(path1022).size(), 1023u);

  // 1023 characters ending with a backslash: stored as it is.
  const std::string path1023Slash = "C:\\" + std::string(1019, 'a') + "\\";
  EXPECT_EQ(Normalised(path1023Slash), path1023Slash);

  // 1023 characters without one: the backslash would not fit.
  const std::string path1023 = "C:\\" + std::string(1020, 'a');
  EXPECT_EQ(Normalised(path1023), "");

  // 1024 characters: too long whatever the last character.
  EXPECT_EQ(Normalised("C:\\" + std::string(1020, 'a') + "\\"), "");
  EXPECT_EQ(Normalised("C:\\" + std::string(1021, 'a')), "");
}

TEST(NormaliseDirectoryPath, EmptySourceStaysEmpty) {
  // The callers reject empty values first; an empty source must not turn
  // into "\" (the root of the current drive).
  EXPECT_EQ(Normalised(""), "");
}
