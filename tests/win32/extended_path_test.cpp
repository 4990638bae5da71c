#include "win32/extended_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Extended(const std::string& path) {
  std::string result;
  return MakeExtendedLengthPath(path, result) ? result : "<relative>";
}

}  // namespace

TEST(ExtendedLengthPath, DriveAndNetworkPathsLoseTheFirstRootMarker) {
  EXPECT_EQ(Extended("C:\\dst\\.\\a\\b.txt"), "\\\\?\\C:\\dst\\a\\b.txt");
  EXPECT_EQ(Extended("\\\\srv\\share\\dst\\.\\b.txt"), "\\\\?\\UNC\\srv\\share\\dst\\b.txt");
  EXPECT_EQ(Extended("C:\\src\\setup.ex"), "\\\\?\\C:\\src\\setup.ex") << "pair paths have no marker";
  EXPECT_EQ(Extended("C:\\d\\.\\a\\.\\b"), "\\\\?\\C:\\d\\a\\.\\b") << "only the first marker";
  EXPECT_EQ(Extended("D:\\Каду++ Клиент\\.\\Модули\\x.dll"), "\\\\?\\D:\\Каду++ Клиент\\Модули\\x.dll");
}

TEST(ExtendedLengthPath, RelativePathsAreLeftToTheCaller) {
  for (const char* path : {"rel\\.\\a", "\\rooted\\.\\a", ".\\a", "C:rel", ""})
    EXPECT_EQ(Extended(path), "<relative>") << path;
}
