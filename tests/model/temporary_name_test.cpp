#include "model/temporary_name.h"

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

TEST(TemporaryName, AsideFilesHaveAShapeOfTheirOwnThatKeepsTheOriginalName) {
  EXPECT_EQ(AsideNameFor("C:\\Каду\\.\\kadu.exe", 4242, 3), "C:\\Каду\\.\\kadu.exe.~velkarin-aside4242-3");
  std::string original;
  unsigned long processId = 0;
  EXPECT_TRUE(IsAsideName("kadu.exe.~velkarin-aside4242-3", &original, &processId));
  EXPECT_EQ(original, "kadu.exe");
  EXPECT_EQ(processId, 4242u);
  EXPECT_TRUE(IsAsideName("a.~velkarin1-2.~velkarin-aside3-4", &original));
  EXPECT_EQ(original, "a.~velkarin1-2");
  // Neither shape is taken for the other: a temporary is never moved into place.
  EXPECT_FALSE(IsTemporaryName("kadu.exe.~velkarin-aside4242-3"));
  EXPECT_FALSE(IsAsideName("kadu.exe.~velkarin4242-3"));
  for (const char* name : {".~velkarin-aside1-0", "a.~velkarin-aside", "a.~velkarin-aside1", "a.~velkarin-aside1-",
                           "a.~velkarin-aside1-2.txt", "a.~velkarin-aside-1-2", "a.~VELKARIN-ASIDE1-2"}) {
    EXPECT_FALSE(IsAsideName(name)) << name;
  }
}

TEST(TemporaryName, LongNamesGetShortFormsWithinTheLimitOfAFileName) {
  const std::string directory = "C:\\Каду\\.\\";
  // A name that leaves room keeps today's shape.
  const std::string fits(255 - std::string(".~velkarin4242-0").size(), 'f');
  EXPECT_EQ(TemporaryNameFor(directory + fits, 4242, 0), directory + fits + ".~velkarin4242-0");
  // A longer one is cut to its start: the same shape, 255 characters.
  const std::string name(250, 'n');
  const std::string temporary = TemporaryNameFor(directory + name, 4294967295ul, 99);
  const std::string file = temporary.substr(directory.size());
  EXPECT_EQ(file.size(), kMaxFileNameLength);
  EXPECT_EQ(file, name.substr(0, 255 - 23) + ".~velkarin4294967295-99");
  unsigned long processId = 0;
  EXPECT_TRUE(IsTemporaryName(file.c_str(), &processId));
  EXPECT_EQ(processId, 4294967295ul);
  // An aside name must keep the whole original: none where it cannot.
  EXPECT_EQ(AsideNameFor(directory + std::string(240, 'a'), 4242, 0), "");
  EXPECT_EQ(AsideNameFor(directory + std::string(233, 'a'), 4242, 0).size(),
            directory.size() + kMaxFileNameLength);
}
