#include "plan/registry.h"
#include "scan/left_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "model/file_time.h"
#include "plan/plan.h"

namespace {

using Strings = std::vector<std::string>;

FileEntry File(const std::string& name, std::uint32_t low = 0, std::uint32_t high = 30000000) {
  FileEntry entry;
  std::snprintf(entry.name, sizeof(entry.name), "%s", name.c_str());
  entry.lastWriteTime = {low, high};
  return entry;
}

Strings Names(const std::vector<FileEntry>& entries) {
  Strings names;
  for (const FileEntry& entry : entries) names.push_back(entry.name);
  return names;
}

Strings ChildNames(const DirNode* node) {
  Strings names;
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling)
    names.push_back(child->record.name);
  return names;
}

constexpr std::uint32_t kSecond = 10000000;

}  // namespace

TEST(SameWriteTime, TwoSecondsOfLowHalfWithEqualHighHalves) {
  const std::uint32_t base = 1000000000;
  EXPECT_TRUE(SameWriteTime({base, 7}, {base + 19 * kSecond / 10, 7}));   // 1.9 s
  EXPECT_TRUE(SameWriteTime({base + 2 * kSecond, 7}, {base, 7}));         // exactly 2 s
  EXPECT_FALSE(SameWriteTime({base, 7}, {base + 2 * kSecond + 1, 7}));    // 2 s and 100 ns
  EXPECT_FALSE(SameWriteTime({base, 7}, {base + 21 * kSecond / 10, 7}));  // 2.1 s
  EXPECT_FALSE(SameWriteTime({0xFFFFFFFFu, 7}, {0, 8})) << "100 ns apart, high halves differ";
  // About 429.5 s apart: as a signed 32-bit difference this wraps to a few
  // tenths of a second and a changed file would be skipped.
  EXPECT_FALSE(SameWriteTime({4290000000u, 7}, {0, 7}));
  EXPECT_FALSE(SameWriteTime({0, 7}, {4294967295u, 7}));
  EXPECT_FALSE(SameWriteTime({100, 7}, {4280000000u, 7}));  // 427.99 s
}

TEST(CompareFiles, SortsSourceFilesIntoNewChangedAndDropped) {
  DirRecord source(".");
  DirRecord target(".");
  source.entries = {File("same.txt", 5 * kSecond), File("NEW.txt"), File("changed.dll", 9 * kSecond),
                    File("Wrap.bin", 4290000000u), File("Отчет.txt")};
  target.entries = {File("only-target"), File("CHANGED.DLL", 1 * kSecond), File("Same.TXT", 6 * kSecond),
                    File("wrap.bin", 0), File("отчет.txt")};
  CompareFiles(source, target);
  // Cyrillic case folds as Latin does: the file system's one file.
  EXPECT_EQ(Names(source.entries), (Strings{"NEW.txt", "changed.dll", "Wrap.bin"}));
  EXPECT_TRUE(source.entries[0].isNew);
  EXPECT_FALSE(source.entries[1].isNew);
  EXPECT_FALSE(source.entries[2].isNew);
  EXPECT_EQ(Names(target.entries), (Strings{"only-target"}));
}

TEST(CompareFiles, NamesFoldingTogetherAreMatchedOnceEachInListingOrder) {
  // A share on a case-sensitive file system may hold A.txt and a.txt.
  DirRecord source(".");
  DirRecord target(".");
  source.entries = {File("A.txt", 0), File("a.txt", 0), File("a.TXT", 0)};
  target.entries = {File("a.txt", 0), File("A.TXT", 50 * kSecond)};
  CompareFiles(source, target);
  ASSERT_EQ(Names(source.entries), (Strings{"a.txt", "a.TXT"}));
  EXPECT_FALSE(source.entries[0].isNew) << "matched the second target file, which differs";
  EXPECT_TRUE(source.entries[1].isNew);
  EXPECT_TRUE(target.entries.empty());
}

TEST(CompareFiles, ALinkInTheTargetIsReplacedWhateverItsTime) {
  DirRecord source(".");
  DirRecord target(".");
  source.entries = {File("a.dll", 5), File("b.dll", 5)};
  target.entries = {File("a.dll", 5), File("b.dll", 5)};
  target.entries[0].attributes = kAttributeReparsePoint;  // as Windows lists a link
  CompareFiles(source, target);
  ASSERT_EQ(Names(source.entries), Strings{"a.dll"});
  EXPECT_TRUE(source.entries[0].targetIsLink);
  EXPECT_FALSE(source.entries[0].isNew);
  EXPECT_TRUE(target.entries.empty());
}

TEST(CompareFiles, AFileOfAnotherSizeIsCopiedAgainWhateverItsTime) {
  DirRecord source(".");
  DirRecord target(".");
  source.entries = {File("torn.dll", 5), File("same.dll", 5), File("link.dll", 5)};
  target.entries = {File("torn.dll", 5), File("same.dll", 5), File("link.dll", 5)};
  source.entries[0].size = 4096;
  target.entries[0].size = 1024;  // cut short by a power cut, its time kept
  source.entries[1].size = target.entries[1].size = 4096;
  // Windows lists a file link with size 0: that size says nothing of the
  // file it leads to, and a time that agrees still counts.
  source.entries[2].attributes = kAttributeReparsePoint;
  target.entries[2].size = 4096;
  CompareFiles(source, target);
  ASSERT_EQ(Names(source.entries), Strings{"torn.dll"});
  EXPECT_FALSE(source.entries[0].isNew);
  EXPECT_TRUE(target.entries.empty());
}

TEST(CompareTrees, MissingTargetDirectoryKeepsTheWholeSourceSubtree) {
  DirSnapshot source = CreateSnapshot();
  DirSnapshot target = CreateSnapshot();
  DirNode* present = AppendChild(source.get(), CreateNode("present"));
  DirNode* absent = AppendChild(source.get(), CreateNode("absent"));
  AppendChild(absent, CreateNode("below"))->record.entries = {File("x")};
  present->record.entries = {File("p", 0)};
  absent->record.entries = {File("q")};
  CloneStructure(target.get(), source.get());
  target->firstChild->record.ClearFlags(DIR_MISSING);  // the scan listed "present"
  target->firstChild->record.entries = {File("P", 0)};

  CompareTrees(source.get(), target.get());
  EXPECT_FALSE(present->record.HasFlags(DIR_MISSING));
  EXPECT_TRUE(present->record.entries.empty()) << "same file dropped";
  EXPECT_TRUE(absent->record.HasFlags(DIR_MISSING));
  EXPECT_EQ(Names(absent->record.entries), Strings{"q"});
  // Nothing there to compare with: every file below is new to the target,
  // so the copy does not try to reset the attributes of absent files.
  EXPECT_TRUE(absent->record.entries[0].isNew);
  EXPECT_TRUE(absent->firstChild->record.entries[0].isNew);
  EXPECT_FALSE(target->firstChild->nextSibling->record.HasFlags(DIR_MISSING));
  EXPECT_TRUE(absent->firstChild->record.HasFlags(DIR_MISSING));
}

TEST(RemoveCheckPair, FilesLeaveTheirOwnSideDirectoriesLeaveBoth) {
  // Source a, Модули, Модули2, z; the target lists the same and has a file
  // in Модули2 that the source's Модули2 also holds.
  DirSnapshot source = CreateSnapshot();
  for (const char* name : {"a", "Модули", "Модули2", "z"}) AppendChild(source.get(), CreateNode(name));
  source->record.entries = {File("setup.ex"), File("kadu.exe")};
  FindChild(source.get(), "Модули2")->record.entries = {File("m.dll", 0)};
  DirSnapshot target = CreateSnapshot();
  CloneStructure(target.get(), source.get());
  for (DirNode* child = target->firstChild; child != nullptr; child = child->nextSibling) {
    child->record.ClearFlags(DIR_MISSING);
  }
  target->record.entries = {File("kadu.exe"), File("setup.ex")};
  FindChild(target.get(), "Модули2")->record.entries = {File("m.dll", 0)};

  RemoveCheckPair(source.get(), target.get(), {"setup.ex", "kadu.exe"});  // source, target
  EXPECT_EQ(Names(source->record.entries), Strings{"kadu.exe"});
  EXPECT_EQ(Names(target->record.entries), Strings{"setup.ex"});

  // "Модули=Модули2" once took Модули2 from the source and Модули from the
  // target: the source's Модули was then compared with the target's Модули2,
  // and the target's m.dll, unmatched, was due for deletion.
  RemoveCheckPair(source.get(), target.get(), {"Модули2", "Модули"});
  EXPECT_EQ(ChildNames(source.get()), (Strings{"a", "z"}));
  EXPECT_EQ(ChildNames(target.get()), (Strings{"a", "z"}));
}

TEST(RemovePath, RemovesADirectoryOrAFileOrNothing) {
  DirSnapshot root = CreateSnapshot();
  DirNode* a = AppendChild(root.get(), CreateNode("a"));
  AppendChild(a, CreateNode("b"));
  AppendChild(a, CreateNode("keep"));
  a->record.entries = {File("b.txt"), File("c.txt")};
  AppendChild(a->firstChild, CreateNode("deeper"));

  RemovePath(root.get(), "A\\B");
  EXPECT_EQ(ChildNames(a), Strings{"keep"});
  RemovePath(root.get(), "a\\C.TXT");
  EXPECT_EQ(Names(a->record.entries), Strings{"b.txt"});
  for (const char* nothing : {"", "a\\zzz", "zzz\\b.txt", "a\\b.txt\\", "a\\", "C:\\a\\b.txt"})
    RemovePath(root.get(), nothing);
  EXPECT_EQ(ChildNames(a), Strings{"keep"});
  EXPECT_EQ(Names(a->record.entries), Strings{"b.txt"});
  RemovePath(root.get(), "a");
  EXPECT_EQ(root->firstChild, nullptr);
  AppendChild(root.get(), CreateNode("new"));  // the chain's end was updated
  EXPECT_EQ(ChildNames(root.get()), Strings{"new"});
}

TEST(LeaveOutRepeatedNames, KeepsTheFirstOfNamesTheFileSystemTakesForOne) {
  // A share on a case-sensitive file system: "Модули" and "МОДУЛИ" would be
  // one directory in the target, "a.txt" and "A.TXT" one file, and the
  // directory "Ф" and the file "ф" one name.
  DirSnapshot root = CreateSnapshot();
  DirNode* modules = AppendChild(root.get(), CreateNode("Модули"));
  modules->record.entries = {File("m.dll"), File("M.DLL")};
  AppendChild(root.get(), CreateNode("МОДУЛИ"))->record.entries = {File("x.dll")};
  AppendChild(root.get(), CreateNode("Ф"));
  root->record.entries = {File("a.txt"), File("ф"), File("A.TXT"), File("b.txt")};

  std::vector<RepeatedName> repeated;
  LeaveOutRepeatedNames(root.get(), "", repeated);
  EXPECT_EQ(Names(root->record.entries), (Strings{"a.txt", "ф", "b.txt"}));
  EXPECT_EQ(ChildNames(root.get()), Strings{"Модули"});
  EXPECT_EQ(Names(modules->record.entries), Strings{"m.dll"});
  Strings left;
  for (const RepeatedName& item : repeated) left.push_back(item.path + " after " + item.first);
  EXPECT_EQ(left, (Strings{"A.TXT after a.txt", "Модули\\M.DLL after m.dll", "МОДУЛИ after Модули", "Ф after ф"}));
}

namespace {

// A source root and the target as the scan leaves it: the clone of every
// source directory, each marked listed, with no files yet.
struct SnapshotPair {
  DirSnapshot source = CreateSnapshot();
  DirSnapshot target = CreateSnapshot();

  void Clone() {
    CloneStructure(target.get(), source.get());
    MarkListed(target.get());
  }
  static void MarkListed(DirNode* node) {
    for (DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
      child->record.ClearFlags(DIR_MISSING);
      MarkListed(child);
    }
  }
  bool Filter(const Strings& update, Strings& ignore) {
    return FilterByUpdateList(source.get(), target.get(), "", update, ignore);
  }
};

}  // namespace

TEST(FilterByUpdateList, KeepsOnlyListedNamesAndIgnoresEverythingElse) {
  SnapshotPair trees;
  trees.source->record.entries = {File("root.txt")};
  DirNode* other = AppendChild(trees.source.get(), CreateNode("Другое"));
  AppendChild(other, CreateNode("Модули"));  // deeper: a different relative path
  AppendChild(trees.source.get(), CreateNode("модули"))->record.entries = {File("s.dll")};
  trees.Clone();
  DirNode* target = trees.target.get();
  target->record.entries = {File("root.txt"), File("own.txt")};
  FindChild(target, "модули")->record.entries = {File("m.dll")};
  AppendChild(target, CreateNode("Прочее"))->record.SetFlags(DIR_EXTRA);  // only in the target

  Strings ignore;
  EXPECT_TRUE(trees.Filter({"Модули"}, ignore));
  EXPECT_TRUE(trees.source->record.entries.empty());
  EXPECT_TRUE(target->record.entries.empty()) << "unlisted root files leave both sides";
  EXPECT_EQ(Names(FindChild(trees.source.get(), "модули")->record.entries), Strings{"s.dll"})
      << "a listed directory is kept whole";
  EXPECT_EQ(Names(FindChild(target, "модули")->record.entries), Strings{"m.dll"});
  EXPECT_EQ(ignore, (Strings{"Другое\\Модули", "Другое", "Прочее"}));

  // A listed file deeper down keeps its directory and nothing else of it.
  SnapshotPair deep;
  DirNode* bin = AppendChild(deep.source.get(), CreateNode("Bin"));
  bin->record.entries = {File("a.dll"), File("b.dll")};
  deep.Clone();
  deep.target->firstChild->record.entries = {File("a.dll"), File("b.dll"), File("c.dll")};
  Strings deepIgnore;
  EXPECT_TRUE(deep.Filter({"Bin\\b.dll"}, deepIgnore));
  EXPECT_EQ(Names(bin->record.entries), Strings{"b.dll"});
  EXPECT_EQ(Names(deep.target->firstChild->record.entries), Strings{"b.dll"});
  EXPECT_TRUE(deepIgnore.empty());
}

TEST(FilterByUpdateList, AListedFileOnlyTheSourceHasKeepsItsDirectory) {
  // The target's Mod lacks new.dll, or the target lacks Mod altogether:
  // either way new.dll is still to be added, so Mod must not be ignored.
  for (const bool targetHasMod : {true, false}) {
    SnapshotPair trees;
    DirNode* mod = AppendChild(trees.source.get(), CreateNode("Mod"));
    mod->record.entries = {File("new.dll"), File("old.dll")};
    AppendChild(trees.source.get(), CreateNode("Other"))->record.entries = {File("x")};
    CloneStructure(trees.target.get(), trees.source.get());
    DirNode* targetMod = trees.target->firstChild;
    if (targetHasMod) {
      targetMod->record.ClearFlags(DIR_MISSING);
      targetMod->record.entries = {File("OLD.dll")};
    }

    Strings ignore;
    EXPECT_TRUE(trees.Filter({"mod\\NEW.DLL"}, ignore)) << targetHasMod;
    EXPECT_EQ(ignore, Strings{"Other"}) << targetHasMod;
    EXPECT_EQ(Names(mod->record.entries), Strings{"new.dll"}) << targetHasMod;
    EXPECT_TRUE(targetMod->record.entries.empty()) << targetHasMod;
  }
}

TEST(FilterByUpdateList, AListedFileOnlyTheTargetHasKeepsItsDirectory) {
  SnapshotPair trees;
  AppendChild(trees.source.get(), CreateNode("Mod"))->record.entries = {File("kept.dll")};
  AppendChild(trees.source.get(), CreateNode("Новое"))->record.entries = {File("н.dll")};
  trees.Clone();
  FindChild(trees.target.get(), "Mod")->record.entries = {File("gone.dll"), File("mine.txt")};

  Strings ignore;
  EXPECT_TRUE(trees.Filter({"Mod\\gone.dll", "НОВОЕ\\Н.DLL"}, ignore));
  EXPECT_TRUE(ignore.empty());
  EXPECT_TRUE(trees.source->firstChild->record.entries.empty());
  EXPECT_EQ(Names(trees.target->firstChild->record.entries), Strings{"gone.dll"});
  EXPECT_EQ(Names(FindChild(trees.source.get(), "Новое")->record.entries), Strings{"н.dll"})
      << "Cyrillic letters match without case, as the list rule says";
}

TEST(BuildWorkList, NamesRecordsByRelativePathAndTakesTheirFiles) {
  DirSnapshot root = CreateSnapshot();
  root->record.entries = {File("r")};
  DirNode* modules = AppendChild(root.get(), CreateNode("Модули"));
  modules->record.SetFlags(DIR_MISSING);
  DirNode* x = AppendChild(modules, CreateNode("x"));
  x->record.entries = {File("x1"), File("x2")};
  AppendChild(root.get(), CreateNode("quiet"));  // nothing to do: left out
  AppendChild(root.get(), CreateNode("old"))->record.SetFlags(DIR_EXTRA);

  std::vector<DirRecord> list;
  BuildWorkList(list, root.get(), "");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].name, ".");
  EXPECT_EQ(list[1].name, ".\\Модули");
  EXPECT_TRUE(list[1].HasFlags(DIR_MISSING));
  EXPECT_EQ(list[2].name, ".\\Модули\\x");
  EXPECT_EQ(Names(list[2].entries), (Strings{"x1", "x2"}));
  EXPECT_EQ(list[3].name, ".\\old");
  EXPECT_TRUE(list[3].HasFlags(DIR_EXTRA));
  EXPECT_TRUE(x->record.entries.empty()) << "a file lives in one place at a time";
  EXPECT_TRUE(root->record.entries.empty());
}

TEST(PlanWork, RemovalsThenEachDirectoryBeforeItsCopiesThenPairsAndNeverTheProgramsOwnFiles) {
  std::vector<DirRecord> source = {DirRecord("."), DirRecord(".\\new")};
  source[0].entries = {File("velkarin.ini"), File("a.dll")};
  source[1].flags = DIR_MISSING;
  source[1].entries = {File("b.dll")};
  std::vector<DirRecord> target = {DirRecord(".\\old"), DirRecord(".")};
  target[0].flags = DIR_EXTRA;
  target[1].entries = {File("velkarin.out"), File("stale.txt")};
  const Strings own = {"C:\\t\\velkarin.ini", "C:\\t\\velkarin.out"};
  const std::string targetDir = "C:\\t\\";
  const Strings noStrict;

  std::vector<Action> work;
  PlanWork(work, source, target, 1, WorkRules{targetDir, true, noStrict, own});
  const auto code = [](ActionKind kind, std::uint32_t item, std::uint32_t entry) {
    return std::to_string(static_cast<int>(kind)) + ":" + std::to_string(item) + ":" + std::to_string(entry);
  };
  Strings seen;
  for (const Action& action : work) seen.push_back(code(action.kind, action.item, action.entry));
  EXPECT_EQ(seen, (Strings{code(ActionKind::RemoveDirectory, 0, 0), code(ActionKind::RemoveFile, 1, 1),
                           code(ActionKind::CopyFile, 0, 1), code(ActionKind::CreateDirectory, 1, 0),
                           code(ActionKind::CopyFile, 1, 0), code(ActionKind::CopyPair, 0, 0)}));

  // Without [УдалятьНенужныеФайлы] a target-only file stays unless the
  // strict list names it.
  work.clear();
  PlanWork(work, {}, target, 0, WorkRules{targetDir, false, noStrict, own});
  EXPECT_EQ(work.size(), 1u);
  work.clear();
  PlanWork(work, {}, target, 0, WorkRules{targetDir, false, Strings{"stale.txt"}, own});
  ASSERT_EQ(work.size(), 2u);
  EXPECT_EQ(work[1].kind, ActionKind::RemoveFile);
}
