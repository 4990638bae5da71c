#include "model/name_fold.h"
#include "model/snapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> ChildNames(const DirNode* node) {
  std::vector<std::string> names;
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling)
    names.push_back(child->record.name);
  return names;
}

FileEntry File(const char* name) {
  FileEntry entry;
  std::snprintf(entry.name, sizeof(entry.name), "%s", name);
  return entry;
}

}  // namespace

TEST(Snapshot, ChildrenKeepAppendOrderAndCloneMarksBothSides) {
  DirSnapshot source = CreateSnapshot();
  EXPECT_EQ(source->record.name, ".");
  DirNode* a = AppendChild(source.get(), CreateNode("a"));
  AppendChild(source.get(), CreateNode("Б"));
  AppendChild(source.get(), CreateNode("c"));
  AppendChild(a, CreateNode("deep"));
  ASSERT_EQ(ChildNames(source.get()), (std::vector<std::string>{"a", "Б", "c"}));

  DirSnapshot target = CreateSnapshot();
  CloneStructure(target.get(), source.get());
  EXPECT_EQ(ChildNames(target.get()), ChildNames(source.get()));
  EXPECT_EQ(ChildNames(target->firstChild), (std::vector<std::string>{"deep"}));
  EXPECT_EQ(source->record.flags, 0u) << "roots are not marked";
  EXPECT_EQ(target->record.flags, 0u);
  EXPECT_TRUE(a->record.HasFlags(DIR_MISSING));
  EXPECT_TRUE(target->firstChild->firstChild->record.HasFlags(DIR_MISSING));
  EXPECT_FALSE(a->record.HasFlags(DIR_MISSING | DIR_EXTRA)) << "test needs every bit";

  DirSnapshot empty = CreateSnapshot();
  DirSnapshot emptyClone = CreateSnapshot();
  CloneStructure(emptyClone.get(), empty.get());
  EXPECT_EQ(emptyClone->firstChild, nullptr);
}

TEST(Snapshot, DestroyingAnUnlinkedMiddleChildLeavesItsSiblings) {
  DirSnapshot root = CreateSnapshot();
  DirNode* first = AppendChild(root.get(), CreateNode("1"));
  DirNode* middle = AppendChild(root.get(), CreateNode("2"));
  AppendChild(root.get(), CreateNode("3"));
  AppendChild(middle, CreateNode("under"));
  first->nextSibling = middle->nextSibling;
  middle->nextSibling = nullptr;
  DestroySubtree(middle);
  delete middle;
  EXPECT_EQ(ChildNames(root.get()), (std::vector<std::string>{"1", "3"}));
}

TEST(Snapshot, ExecutablePathsFoldLatinLettersOnly) {
  EXPECT_TRUE(NamesMatchAscii("README.TXT", "readme.txt"));
  EXPECT_FALSE(NamesMatchAscii("Отчет.txt", "отчет.txt"));
  EXPECT_FALSE(NamesMatchAscii("a", "ab"));
  EXPECT_FALSE(NamesMatchAscii("[", "{")) << "only A-Z fold, not the bytes beside them";
}

TEST(Snapshot, NamesFoldAsTheFileSystemFoldsThem) {
  EXPECT_TRUE(NamesMatch("README.TXT", "readme.txt"));
  EXPECT_TRUE(NamesMatch("Отчет.txt", "ОТЧЕТ.txt"));
  EXPECT_TRUE(NamesMatch("ёжик", "Ёжик"));
  EXPECT_TRUE(NamesMatch("ї і ґ є ў ј ѕ љ њ ќ ћ џ ђ ѓ", "Ї І Ґ Є Ў Ј Ѕ Љ Њ Ќ Ћ Џ Ђ Ѓ"));
  EXPECT_FALSE(NamesMatch("ё", "е")) << "letters differ, not only case";
  EXPECT_FALSE(NamesMatch("[", "{"));
  EXPECT_FALSE(NamesMatch("a", "ab"));

  DirRecord record(".");
  record.entries = {File("README.TXT"), File("Отчет.txt"), File("readme.txt")};
  EXPECT_EQ(FindEntry(record, "ОТЧЕТ.TXT"), &record.entries[1]);
  EXPECT_EQ(FindEntry(record, "ReadMe.txt"), &record.entries[0]) << "the first in listing order";
}
