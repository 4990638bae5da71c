#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/list_matching.h"
#include "config/list_sections.h"

namespace {

using Strings = std::vector<std::string>;

// A section as the profile reader returns it: lines each ended by a zero.
Strings Entries(const std::string& section) {
  Strings list;
  AppendSectionEntries(section.data(), section.size(), list);
  return list;
}

}  // namespace

TEST(SectionEntries, KeepsLinesWholeAndSkipsCommentsAndEmptyLines) {
  using namespace std::string_literals;
  EXPECT_EQ(Entries("Модули\0# комментарий\0\0 a = b \0\\x\\\0#\0"s),
            (Strings{"Модули", " a = b ", "\\x\\"}));
  EXPECT_EQ(Entries("# только\0#комментарии\0"s), Strings{});
  EXPECT_EQ(Entries(""), Strings{});
  EXPECT_EQ(Entries("a\0a\0"s), (Strings{"a", "a"})) << "duplicates stay";
  // The length the reader returned bounds the loop, even inside a line.
  const std::string cut = "first\0second"s;
  Strings list;
  AppendSectionEntries(cut.data(), 8, list);
  EXPECT_EQ(list, (Strings{"first", "se"}));
}

TEST(CheckPairLine, CutsAtTheFirstEqualsSignAndDropsLeadingBackslashes) {
  CheckPair pair;
  ASSERT_TRUE(ParseCheckPair("\\kadu.exe=\\kadu.ex", pair));
  EXPECT_EQ(pair.targetName, "kadu.exe");
  EXPECT_EQ(pair.sourceName, "kadu.ex");
  ASSERT_TRUE(ParseCheckPair("\\\\\\a\\b=c=d", pair));
  EXPECT_EQ(pair.targetName, "a\\b");
  EXPECT_EQ(pair.sourceName, "c=d");
  // A network path is a full path and keeps its two backslashes.
  ASSERT_TRUE(ParseCheckPair("\\\\srv\\share\\kadu.exe=\\\\srv", pair));
  EXPECT_EQ(pair.targetName, "\\\\srv\\share\\kadu.exe");
  EXPECT_EQ(pair.sourceName, "srv") << "no share: not a network path";
  ASSERT_TRUE(ParseCheckPair("=", pair));
  EXPECT_EQ(pair.targetName, "");
  EXPECT_EQ(pair.sourceName, "");
  EXPECT_FALSE(ParseCheckPair("kadu.exe", pair));
}

TEST(MatchesListEntry, WholePathsInAnyWindows1251Case) {
  const Strings ignore = {"velkarin.err", "velkarin.out", "velkarin.exe"};
  EXPECT_TRUE(MatchesListEntry("VELKARIN.ERR", ignore));
  EXPECT_TRUE(MatchesListEntry("velkarin.exe", ignore));
  EXPECT_FALSE(MatchesListEntry("velkarin.er", ignore));
  EXPECT_FALSE(MatchesListEntry("sub\\velkarin.err", ignore));

  const Strings modules = {"Модули"};
  EXPECT_TRUE(MatchesListEntry("МОДУЛИ", modules));
  EXPECT_TRUE(MatchesListEntry("модули", modules));
  EXPECT_FALSE(MatchesListEntry("Модули\\x.dll", modules)) << "no prefix matching";
  EXPECT_FALSE(MatchesListEntry("Модули", Strings{}));
  EXPECT_TRUE(MatchesListEntry("Ёлка\\ё", Strings{"ёЛКА\\Ё"}));
}

TEST(IsStrictlySynchronised, EntryCoversItsTreeCaseSensitively) {
  const Strings strict = {"Модули"};
  for (const char* path : {"Модули", ".\\Модули\\a\\b.dll", "Модули\\a", ".\\Модули"})
    EXPECT_TRUE(IsStrictlySynchronised(path, strict)) << path;
  for (const char* path : {"модули", "Другое\\Модули", "Модули2", ".", "", "Мод"})
    EXPECT_FALSE(IsStrictlySynchronised(path, strict)) << path;

  // A deeper entry covers that path only.
  const Strings deep = {"Модули\\sub"};
  EXPECT_TRUE(IsStrictlySynchronised(".\\Модули\\sub", deep));
  EXPECT_FALSE(IsStrictlySynchronised("Модули\\sub\\x", deep));
  EXPECT_FALSE(IsStrictlySynchronised("Модули", deep));
  // Everything up to the last ".\" goes, as for a full target path.
  EXPECT_TRUE(IsStrictlySynchronised("C:\\dst\\.\\Модули\\x.dll", strict));
}
