#include "run/launch_paths.h"

#include <gtest/gtest.h>

TEST(LaunchPaths, CheckPathIsFullOrUnderTheTarget) {
  const char* target = "C:\\Каду++ Клиент\\";
  EXPECT_EQ(ResolveCheckPath("kadu.exe", target), "C:\\Каду++ Клиент\\kadu.exe");
  EXPECT_EQ(ResolveCheckPath("D:\\bin\\kadu.exe", target), "D:\\bin\\kadu.exe");
  EXPECT_EQ(ResolveCheckPath("\\\\srv\\kadu.exe", target), "C:\\Каду++ Клиент\\\\\\srv\\kadu.exe")
      << "a network path is not taken as full";
  EXPECT_EQ(ResolveCheckPath("", target), target);
}

TEST(LaunchPaths, ExecutablePathsFoldLatinCaseOnly) {
  EXPECT_TRUE(SameExecutablePath("C:\\Каду++ Клиент\\KADU.EXE", "c:\\Каду++ Клиент\\kadu.exe"));
  EXPECT_FALSE(SameExecutablePath("C:\\каду++ клиент\\kadu.exe", "C:\\Каду++ Клиент\\kadu.exe"));
  EXPECT_FALSE(SameExecutablePath("C:\\a\\kadu.exe", "C:\\b\\kadu.exe"));
}

TEST(LaunchPaths, CommandRunsInTheTargetUnlessItNamesItsOwnPlace) {
  EXPECT_EQ(CommandWorkingDirectory("kadu.exe", "C:\\t\\"), "C:\\t\\");
  EXPECT_EQ(CommandWorkingDirectory("D:\\tools\\run.cmd", "C:\\t\\"), "");
  EXPECT_EQ(CommandWorkingDirectory("", "C:\\t\\"), "C:\\t\\");
}
