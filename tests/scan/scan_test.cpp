// Scanning real trees in temporary directories.
#include "scan/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/sync_config.h"
#include "log/logs.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

using Strings = std::vector<std::string>;

DirNode* Child(DirNode* node, const std::string& name) {
  for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling)
    if (name == child->record.name) return child;
  return nullptr;
}

Strings ChildNames(const DirNode* node) {
  Strings names;
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling)
    names.push_back(child->record.name);
  return names;
}

Strings FileNames(const DirNode* node) {
  Strings names;
  for (const FileEntry& entry : node->record.entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

// Creates a directory whose path may be past the classic limit, through the
// extended-length wide form.
bool CreateLongDirectory(const std::string& path) {
  std::wstring wide(path.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(),
                                         static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length) - 1 : 0);
  return CreateDirectoryW((L"\\\\?\\" + wide).c_str(), nullptr) != FALSE;
}

// Scans both trees the way a run does: source, clone, target.
struct Scanned {
  DirSnapshot source = CreateSnapshot();
  DirSnapshot target = CreateSnapshot();
  bool sourceListed = false;
};

Scanned Scan(SyncConfig& config, const std::string& sourceDir, const std::string& targetDir) {
  Scanned scanned;
  scanned.sourceListed = ScanSource(config, scanned.source.get(), sourceDir + "\\", "");
  CloneStructure(scanned.target.get(), scanned.source.get());
  ScanTarget(config, scanned.target.get(), targetDir + "\\", "");
  return scanned;
}

}  // namespace

TEST(Scan, SourceTreeWithEmptyDotAndIgnoredDirectories) {
  TempDir dir("src");
  MakeTree(dir / "s", {"empty\\", ".config\\", ".config\\.rc", "skip\\", "skip\\f.txt", "Модули\\",
                       "Модули\\Печать.dll", "root.txt", "VELKARIN.ERR"});
  MakeTree(dir / "t", {".config\\", "skip\\", "skip\\t.txt"});
  SetFileAttributesA((dir / "s\\root.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  SyncConfig config;
  config.ignoreList = {"velkarin.err", "SKIP"};
  Scanned scanned = Scan(config, dir / "s", dir / "t");
  ASSERT_TRUE(scanned.sourceListed);

  Strings children = ChildNames(scanned.source.get());
  std::sort(children.begin(), children.end());
  EXPECT_EQ(children, (Strings{".config", "empty", "Модули"}));
  EXPECT_EQ(FileNames(scanned.source.get()), Strings{"root.txt"});
  EXPECT_EQ(FileNames(Child(scanned.source.get(), ".config")), Strings{".rc"});
  EXPECT_EQ(FileNames(Child(scanned.source.get(), "Модули")), Strings{"Печать.dll"});
  DirNode* empty = Child(scanned.source.get(), "empty");
  EXPECT_TRUE(empty->record.entries.empty());
  EXPECT_EQ(empty->firstChild, nullptr);
  EXPECT_TRUE(scanned.source->record.entries[0].attributes & kAttributeReadOnly);

  // Target: listed clones lose DIR_MISSING; the rest keep it.
  EXPECT_FALSE(Child(scanned.target.get(), ".config")->record.HasFlags(DIR_MISSING));
  EXPECT_TRUE(Child(scanned.target.get(), "empty")->record.HasFlags(DIR_MISSING));
  EXPECT_EQ(Child(scanned.target.get(), "skip"), nullptr) << "ignored on both sides";
  EXPECT_EQ(config.errorCount, 0);
  SetFileAttributesA((dir / "s\\root.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Scan, TargetOnlyDirectoriesDependOnDeletionAndTheStrictList) {
  TempDir dir("extra");
  MakeTree(dir / "s", {"Data\\", "Модули\\", "a.txt"});
  MakeTree(dir / "t", {"DATA\\", "DATA\\d.txt", "модули\\", "Old\\", "Old\\o.txt", "Old\\deep\\",
                       "Keep\\", "b.txt"});
  for (const bool deleteUnneeded : {false, true}) {
    SyncConfig config;
    config.deleteUnneeded = deleteUnneeded;
    config.strictList = {"Keep"};
    Scanned scanned = Scan(config, dir / "s", dir / "t");
    // Latin or Cyrillic case differs: the same directory to the file
    // system, scanned into the clone, never taken for a target-only one.
    DirNode* data = Child(scanned.target.get(), "Data");
    EXPECT_FALSE(data->record.HasFlags(DIR_MISSING));
    EXPECT_EQ(FileNames(data), Strings{"d.txt"});
    EXPECT_FALSE(Child(scanned.target.get(), "Модули")->record.HasFlags(DIR_MISSING));
    EXPECT_EQ(FileNames(scanned.target.get()), Strings{"b.txt"});

    DirNode* keep = Child(scanned.target.get(), "Keep");
    ASSERT_NE(keep, nullptr) << "strictly synchronised: always marked";
    EXPECT_TRUE(keep->record.HasFlags(DIR_EXTRA));
    for (const char* name : {"Old"}) {
      DirNode* extra = Child(scanned.target.get(), name);
      if (!deleteUnneeded) {
        EXPECT_EQ(extra, nullptr) << name << " must survive with deletion off";
        continue;
      }
      ASSERT_NE(extra, nullptr) << name;
      EXPECT_TRUE(extra->record.HasFlags(DIR_EXTRA));
      EXPECT_EQ(extra->firstChild, nullptr) << "never entered";
      EXPECT_TRUE(extra->record.entries.empty());
    }
  }
}

TEST(Scan, MissingTargetRootLeavesEveryCloneMissing) {
  TempDir dir("noroot");
  MakeTree(dir / "s", {"a\\", "a\\b\\", "f.txt"});
  SyncConfig config;
  Scanned scanned = Scan(config, dir / "s", dir / "absent");
  EXPECT_EQ(scanned.target->record.flags, 0u);
  EXPECT_TRUE(Child(scanned.target.get(), "a")->record.HasFlags(DIR_MISSING));
  EXPECT_TRUE(Child(scanned.target.get(), "a")->firstChild->record.HasFlags(DIR_MISSING));
  EXPECT_TRUE(scanned.target->record.entries.empty());
  EXPECT_EQ(config.errorCount, 0) << "an absent target is no error";
}

TEST(Scan, SourceDirectoryThatCannotBeListedIsLeftOutOfBothSides) {
  TempDir dir("deep");
  // The parent lists the last level, but the last level's own listing
  // pattern is past the listing call's 260 characters: it cannot be read.
  const std::string name(60, 'd');
  std::string relative;
  std::string sourcePath = dir / "s";
  MakeTree(sourcePath, {"ok.txt"});
  MakeTree(dir / "t", {});
  std::string targetPath = dir / "t";
  while (sourcePath.size() + name.size() + 1 < 240) {
    relative += (relative.empty() ? "" : "\\") + name;
    sourcePath += "\\" + name;
    targetPath += "\\" + name;
    CreateDirectoryA(sourcePath.c_str(), nullptr);
    CreateDirectoryA(targetPath.c_str(), nullptr);
  }
  const std::string last = "Последний" + std::string(50, 'x');
  const std::string unlistable = sourcePath + "\\" + last;
  ASSERT_GT(unlistable.size() + 4, 260u);
  ASSERT_TRUE(CreateLongDirectory(unlistable));
  ASSERT_TRUE(CreateLongDirectory(targetPath + "\\" + last));

  SyncConfig config;
  config.deleteUnneeded = true;
  std::string errorLog;
  {
    TempDir logs("logs");
    StdStreamGuard guard;
    OpenLogs((logs.Path() + "\\").c_str());
    Scanned scanned = Scan(config, dir / "s", dir / "t");
    CloseLogs();
    errorLog = ReadFileBytes(logs / "velkarin.err").value_or("");
    // The unreadable directory is in neither snapshot: no copy, no removal.
    DirNode* source = scanned.source.get();
    DirNode* target = scanned.target.get();
    for (std::size_t at = 0; at < relative.size(); at += name.size() + 1) {
      source = Child(source, name);
      target = Child(target, name);
      ASSERT_NE(source, nullptr);
      ASSERT_NE(target, nullptr);
    }
    EXPECT_EQ(source->firstChild, nullptr);
    EXPECT_EQ(target->firstChild, nullptr) << "not taken for a target-only directory";
    EXPECT_EQ(FileNames(scanned.source.get()), Strings{"ok.txt"});
  }
  EXPECT_EQ(config.errorCount, 1);
  const std::string prefix = "Ошибка ";
  const std::string suffix = " чтения каталога \"" + unlistable + "\\\"\r\n";
  ASSERT_GT(errorLog.size(), prefix.size() + suffix.size()) << errorLog;
  EXPECT_EQ(errorLog.substr(0, prefix.size()), prefix);
  EXPECT_EQ(errorLog.substr(errorLog.size() - suffix.size()), suffix);
  const std::string code = errorLog.substr(prefix.size(), errorLog.size() - prefix.size() - suffix.size());
  EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
  EXPECT_EQ(config.ignoreList.back(), relative + "\\" + last);
}
