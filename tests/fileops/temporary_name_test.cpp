#include "fileops/temporary_name.h"

#include <gtest/gtest.h>

TEST(TemporaryName, IsTheFileNameWithTheMarkerAndTwoNumbers) {
  EXPECT_EQ(TemporaryNameFor("C:\\Каду\\.\\kadu.exe", 4242, 0), "C:\\Каду\\.\\kadu.exe.~velkarin4242-0");
  EXPECT_TRUE(IsTemporaryName("kadu.exe.~velkarin4242-0"));
  EXPECT_TRUE(IsTemporaryName("Печать.dll.~velkarin1-99"));
  EXPECT_TRUE(IsTemporaryName("a.~velkarin1-2.~velkarin3-4"));
}

TEST(TemporaryName, NothingElseIsTakenForOne) {
  for (const char* name : {"kadu.exe", ".~velkarin1-0", "a.~velkarin", "a.~velkarin1", "a.~velkarin1-",
                           "a.~velkarin-1", "a.~velkarin1-2.txt", "a.~velkarin1-2 ", "a.~velkarinx-2",
                           "a.~VELKARIN1-2", "a.velkarin1-2", "a.~velkarin12345678901-2", "a.~velkarin1--2",
                           "a.~velkarin1-2-3", ""}) {
    EXPECT_FALSE(IsTemporaryName(name)) << name;
  }
}
