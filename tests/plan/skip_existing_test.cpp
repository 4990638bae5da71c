#include "plan/skip_existing.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "plan/registry.h"

namespace {

FileEntry File(const std::string& name, std::uint32_t low) {
  FileEntry entry;
  std::snprintf(entry.name, sizeof(entry.name), "%s", name.c_str());
  entry.lastWriteTime = {low, 1};
  return entry;
}

std::vector<std::string> Names(const DirNode* node) {
  std::vector<std::string> names;
  for (const FileEntry& entry : node->record.entries) names.push_back(entry.name);
  return names;
}

}  // namespace

TEST(SkipExisting, ListedFilesAreCopiedOnlyWhereAbsentAndNeverDeleted) {
  DirSnapshot source = CreateSnapshot();
  DirSnapshot target = CreateSnapshot();
  DirNode* settings = AppendChild(source.get(), CreateNode("Настройки"));
  settings->record.entries = {File("user.ini", 5), File("new.ini", 5), File("other.txt", 5)};
  CloneStructure(target.get(), source.get());
  DirNode* targetSettings = target->firstChild;
  targetSettings->record.ClearFlags(DIR_MISSING);
  // The user's changed file, an older one of the share's, and one the
  // snapshots cannot pair (Cyrillic case) that is listed all the same.
  targetSettings->record.entries = {File("USER.INI", 900000000), File("other.txt", 900000000),
                                    File("мой.ini", 1)};
  CompareTrees(source.get(), target.get());
  KeepExistingFiles(source.get(), target.get(), {"НАСТРОЙКИ\\user.ini", "настройки\\new.ini", "Настройки\\МОЙ.ini"});

  // user.ini is the user's: not updated; new.ini is copied, but only where absent.
  ASSERT_EQ(Names(settings), (std::vector<std::string>{"new.ini", "other.txt"}));
  EXPECT_TRUE(settings->record.entries[0].onlyIfAbsent);
  EXPECT_FALSE(settings->record.entries[1].onlyIfAbsent);
  // Nothing listed is left for the deletion pass.
  EXPECT_TRUE(targetSettings->record.entries.empty());
}

TEST(SkipExisting, ADirectoryEntryCoversItsSubtree) {
  EXPECT_TRUE(IsSkippedIfExisting("Настройки\\a\\b.ini", {"настройки"}));
  EXPECT_TRUE(IsSkippedIfExisting("Настройки\\a\\b.ini", {"Настройки\\A"}));
  EXPECT_TRUE(IsSkippedIfExisting("Настройки", {"Настройки"}));
  EXPECT_FALSE(IsSkippedIfExisting("Настройки2\\b.ini", {"Настройки"}));
  EXPECT_FALSE(IsSkippedIfExisting("x\\Настройки", {"Настройки"}));
  EXPECT_FALSE(IsSkippedIfExisting("Настройки\\b.ini", {}));
}
