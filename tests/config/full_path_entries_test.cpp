#include "config/full_path_entries.h"

#include <gtest/gtest.h>

namespace {

const std::string kSource = "\\\\srv\\share\\Клиент\\";
const std::string kTarget = "C:\\Каду++ Клиент\\";

std::string Relative(const std::string& entry, RootCase rule = RootCase::Windows1251) {
  std::string relative = "<none>";
  if (!RelativeToEitherRoot(entry, kSource, kTarget, rule, relative)) return "<outside>";
  return relative;
}

}  // namespace

TEST(FullPathEntries, FullPathsInsideARootStandForTheirRelativePath) {
  EXPECT_EQ(Relative("C:\\Каду++ Клиент\\Данные"), "Данные");
  EXPECT_EQ(Relative("C:\\Каду++ Клиент\\Данные\\"), "Данные");
  EXPECT_EQ(Relative("\\\\srv\\share\\Клиент\\Модули\\x.dll"), "Модули\\x.dll");
  EXPECT_EQ(Relative("C:\\Каду++ Клиент"), "") << "the root itself";
  // The root's case follows the list's rule.
  EXPECT_EQ(Relative("c:\\КАДУ++ клиент\\Данные"), "Данные");
  EXPECT_EQ(Relative("c:\\КАДУ++ клиент\\Данные", RootCase::Ascii), "<outside>");
  EXPECT_EQ(Relative("c:\\Каду++ Клиент\\Данные", RootCase::Ascii), "Данные");
  EXPECT_EQ(Relative("c:\\Каду++ Клиент\\Данные", RootCase::Exact), "<outside>");
  // Beside a root, not in it.
  EXPECT_EQ(Relative("C:\\Каду++ Клиент2\\Данные"), "<outside>");
  EXPECT_EQ(Relative("C:\\Каду++\\Данные"), "<outside>");
  EXPECT_EQ(Relative("D:\\Другое"), "<outside>");
  // Relative entries are not full paths and stay as they are.
  EXPECT_EQ(Relative("Данные"), "<outside>");
  EXPECT_FALSE(IsFullPathEntry("\\Данные"));
  EXPECT_FALSE(IsFullPathEntry("\\\\Данные"));
  EXPECT_FALSE(IsFullPathEntry("C:Данные"));
  EXPECT_TRUE(IsFullPathEntry("\\\\srv\\share"));
}

TEST(FullPathEntries, TheDeeperOfTwoNestedRootsIsMeant) {
  std::string relative;
  ASSERT_TRUE(RelativeToEitherRoot("C:\\a\\b\\x", "C:\\a\\", "C:\\a\\b\\", RootCase::Exact, relative));
  EXPECT_EQ(relative, "x");
  ASSERT_TRUE(RelativeToEitherRoot("C:\\a\\b\\x", "C:\\a\\b\\", "C:\\a\\", RootCase::Exact, relative));
  EXPECT_EQ(relative, "x");
}

TEST(FullPathEntries, ListsAreRewrittenAndEntriesOutsideBothRootsReturned) {
  std::vector<std::string> list = {"Модули", "C:\\Каду++ Клиент\\Данные", "D:\\Чужое", "\\\\srv\\share\\Клиент\\a"};
  const std::vector<std::string> outside = RelativiseFullPathEntries(list, kSource, kTarget, RootCase::Exact);
  EXPECT_EQ(list, (std::vector<std::string>{"Модули", "Данные", "D:\\Чужое", "a"}));
  EXPECT_EQ(outside, std::vector<std::string>{"D:\\Чужое"});
}
