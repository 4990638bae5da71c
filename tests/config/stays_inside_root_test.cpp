#include "config/stays_inside_root.h"

#include <gtest/gtest.h>

#include <string>

TEST(StaysInsideRoot, PlainRelativeNamesAreAccepted) {
  for (const std::string path : {"kadu.exe", "Модули", "Модули\\Печать.dll", "old/x.dll", "a\\b\\",
                                 "a\\\\b", ".profile", "a.", "a..b", "..a", "a\\.hidden\\b", "a b"}) {
    EXPECT_TRUE(StaysInsideRoot(path)) << path;
  }
}

TEST(StaysInsideRoot, NamesOfTheRootOrBeyondAreRefused) {
  // Each of these, joined to the target, names the target itself, its
  // parent, something beside it or another drive.
  for (const std::string path : {"", ".", "..", "...", ". ", " ", " .", ".\\", "..\\", "\\", "/",
                                 "\\\\srv\\share", "\\kadu.exe", "/kadu.exe", "a\\..\\..\\victim",
                                 "a/../b", "a\\..", "a\\.\\b", "a\\...\\b", "a\\. \\b", "a/ /b",
                                 "C:x", "C:\\x", "kadu.exe:stream", "a\\b:c\\d"}) {
    EXPECT_FALSE(StaysInsideRoot(path)) << "\"" << path << "\"";
  }
}
