#include "plan/own_files.h"

#include <gtest/gtest.h>

TEST(IsOwnFile, MatchesTheRunsPathsWhateverTheirCase) {
  const std::vector<std::string> own = {"C:\\Каду++ Клиент\\velkarin.err", "C:\\Каду++ Клиент\\velkarin.ini"};
  // The run's paths carry its root marker; the file system ignores case,
  // Cyrillic included.
  EXPECT_TRUE(IsOwnFile(own, "C:\\Каду++ Клиент\\.\\velkarin.err"));
  EXPECT_TRUE(IsOwnFile(own, "c:\\КАДУ++ клиент\\.\\VELKARIN.INI"));
  EXPECT_TRUE(IsOwnFile(own, "C:\\Каду++ Клиент\\velkarin.ini"));
  EXPECT_FALSE(IsOwnFile(own, "C:\\Каду++ Клиент\\.\\sub\\velkarin.err"));
  EXPECT_FALSE(IsOwnFile(own, "C:\\Каду++ Клиент\\.\\velkarin.er"));
  EXPECT_FALSE(IsOwnFile({}, "C:\\Каду++ Клиент\\.\\velkarin.err"));
}
