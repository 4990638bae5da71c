#include "fileops/act_phase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "config/sync_config.h"
#include "log/logs.h"
#include "plan/plan.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// A new file as a scan lists it; a copy that ends at another size fails.
FileEntry NewFile(const std::string& name, std::uint64_t size = 0) {
  FileEntry entry;
  std::snprintf(entry.name, sizeof(entry.name), "%s", name.c_str());
  entry.isNew = true;
  entry.size = size;
  return entry;
}

// Applies the registry with the logs in a directory of their own; returns
// what reached the error log.
std::string ApplyAndReadErrors(SyncConfig& config) {
  TempDir logs("logs");
  StdStreamGuard guard;
  OpenLogs((logs.Path() + "\\").c_str());
  Plan plan;
  PlanWork(plan.work, config.sourceWorkList, config.targetWorkList, 0,
           WorkRules{config.targetDir, config.deleteUnneeded, config.strictList, config.ownFiles});
  ActOnPlan(config, plan);
  CloseLogs();
  return ReadFileBytes(logs / "velkarin.err").value_or("");
}

}  // namespace

TEST(CopyPhase, PathsBeyondTheirBuffersAreErrorsAndTheRestIsCopied) {
  TempDir dir("len");
  MakeTree(dir / "s", {"ok.txt"});
  MakeTree(dir / "t12345", {});  // the target root is 5 longer than the source
  SyncConfig config;
  std::snprintf(config.sourceDir, kPathSize, "%s\\s\\", dir.Path().c_str());
  std::snprintf(config.targetDir, kPathSize, "%s\\t12345\\", dir.Path().c_str());
  // Record names as long as the buffers allow, so that source or target
  // paths pass 1023 characters only with the file name.
  const std::string deepSource = ".\\" + std::string(1000 - std::strlen(config.sourceDir), 's');
  DirRecord root(".");
  root.entries = {NewFile("ok.txt", 6)};
  DirRecord longRecord(deepSource.c_str());
  longRecord.entries = {NewFile(std::string(40, 'f'))};
  config.sourceWorkList.push_back(root);
  config.sourceWorkList.push_back(longRecord);

  std::string errorLog = ApplyAndReadErrors(config);
  const std::string longSource = std::string(config.sourceDir) + deepSource + "\\" + std::string(40, 'f');
  EXPECT_EQ(errorLog, "Ошибка копирования файла \"" + longSource +
                          "\" путь в каталоге источнике слишком длинный\r\n");
  EXPECT_EQ(config.errorCount, 1);
  EXPECT_EQ(ReadFileBytes(dir / "t12345\\ok.txt").value_or(""), "ok.txt") << "the run went on";

  // Now only the target is too long: 1024 characters, the source 1019.
  config.errorCount = 0;
  config.sourceWorkList.clear();
  DirRecord targetOnlyLong((".\\" + std::string(1020 - std::strlen(config.targetDir), 'x')).c_str());
  targetOnlyLong.entries = {NewFile("f")};
  config.sourceWorkList.push_back(targetOnlyLong);
  errorLog = ApplyAndReadErrors(config);
  EXPECT_EQ(errorLog, "Ошибка копирования файла \"" + std::string(config.sourceDir) +
                          targetOnlyLong.name + "\\f\" путь в каталоге приемнике слишком длинный\r\n");
  EXPECT_EQ(config.errorCount, 1);
}

TEST(CopyPhase, NothingIsWrittenOrRemovedBelowALinkWhateverTheWorkListSays) {
  // A work list that pairs a linked target directory with the source's, as
  // a scan fooled by a name, or a link made after the scan, would leave it.
  TempDir dir("link");
  MakeTree(dir / "s", {"lnk\\", "lnk\\new.txt"});
  MakeTree(dir / "outside", {"old.txt", "gone\\", "gone\\x.txt"});
  MakeTree(dir / "t", {});
  ASSERT_TRUE(MakeSymbolicLink(dir / "outside", dir / "t\\lnk"));
  SyncConfig config;
  config.deleteUnneeded = true;
  std::snprintf(config.sourceDir, kPathSize, "%s\\s\\", dir.Path().c_str());
  std::snprintf(config.targetDir, kPathSize, "%s\\t\\", dir.Path().c_str());
  DirRecord copies(".\\lnk");
  copies.entries = {NewFile("new.txt")};
  DirRecord removals(".\\lnk");
  removals.entries = {NewFile("old.txt")};
  DirRecord extra(".\\lnk\\gone");
  extra.SetFlags(DIR_EXTRA);
  config.sourceWorkList = {copies};
  config.targetWorkList = {removals, extra};

  const std::string errorLog = ApplyAndReadErrors(config);
  EXPECT_EQ(errorLog, "Ошибка 4395 записи в каталог \"" + dir.Path() + "\\t\\lnk\\\"\r\n");
  EXPECT_EQ(config.errorCount, 1);
  EXPECT_EQ(ReadTree(dir / "outside"),
            (std::map<std::string, std::string>{{"old.txt", "old.txt"}, {"gone\\", ""}, {"gone\\x.txt", "gone\\x.txt"}}));
}
