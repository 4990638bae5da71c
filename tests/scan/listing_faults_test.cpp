// Whole runs and removals over listings that fail part way: a share that
// drops while a large folder is listed. Wine reports such a listing as
// complete, so the failure is injected behind the listing seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "config/sync_config.h"
#include "fileops/delete_tree.h"
#include "log/logs.h"
#include "run/driver.h"
#include "scan/directory_listing.h"
#include "tests/support/test_support.h"
#include "win32/run_control.h"

using namespace testing_support;

namespace {

constexpr std::uint32_t kNetworkError = 59;  // ERROR_UNEXP_NET_ERR

// The system's listing, except that the listing of `directory` (a full path
// ending with a backslash) ends with `error` after its first `keep` items.
class CuttingLister final : public DirectoryLister {
 public:
  CuttingLister(std::string directory, std::size_t keep) : directory_(std::move(directory)), keep_(keep) {}
  ListingResult List(const std::string& directoryPath, std::vector<ListedItem>& items) override {
    const ListingResult result = SystemLister().List(directoryPath, items);
    if (result.end != ListingEnd::Complete || directoryPath != directory_) return result;
    items.resize(std::min(keep_, items.size()));
    return {ListingEnd::CutShort, kNetworkError};
  }

 private:
  std::string directory_;
  std::size_t keep_;
};

std::vector<std::string> Numbered(const std::string& directory, int count) {
  std::vector<std::string> items = {directory + "\\"};
  for (int i = 0; i < count; ++i) items.push_back(directory + "\\f" + std::to_string(i) + ".txt");
  return items;
}

// A run with deletion on between `dir`\s and `dir`\t, logs in a directory
// of their own; returns what reached the error log.
struct CutRun {
  TempDir dir{"cut"};
  std::string source = dir / "s";
  std::string target = dir / "t";
  SyncConfig config;
  bool result = false;

  std::string Run(DirectoryLister& lister) {
    std::snprintf(config.sourceDir, sizeof(config.sourceDir), "%s\\", source.c_str());
    std::snprintf(config.targetDir, sizeof(config.targetDir), "%s\\", target.c_str());
    config.deleteUnneeded = true;
    TempDir logs("logs");
    StdStreamGuard guard;
    OpenLogs((logs.Path() + "\\").c_str());
    result = RunSynchronisation(config, lister);
    CloseLogs();
    return ReadFileBytes(logs / "velkarin.err").value_or("");
  }
};

std::string Unreadable(const std::string& directory) {
  return "Ошибка 59 чтения каталога \"" + directory + "\\\"\r\n";
}

}  // namespace

TEST(ListingFaults, SourceListingCutShortDeletesNothingBelowIt) {
  CutRun run;
  MakeTree(run.source, Numbered("big", 50));
  MakeTree(run.source, {"new.txt"});
  MakeTree(run.target, Numbered("big", 50));
  CuttingLister lister(run.source + "\\big\\", 10);
  EXPECT_EQ(run.Run(lister), Unreadable(run.source + "\\big"));
  EXPECT_FALSE(run.result);
  EXPECT_EQ(run.config.errorCount, 1);
  EXPECT_EQ(ReadTree(run.target).size(), 51u + 1u) << "all 50 files kept, the rest copied";
  EXPECT_EQ(ReadFileBytes(run.target + "\\new.txt"), "new.txt");
}

TEST(ListingFaults, TargetListingCutShortLeavesTheDirectoryOutOfTheRun) {
  CutRun run;
  MakeTree(run.source, {"big\\", "big\\new.txt", "top.txt"});
  MakeTree(run.target, Numbered("big", 50));
  CuttingLister lister(run.target + "\\big\\", 10);
  EXPECT_EQ(run.Run(lister), Unreadable(run.target + "\\big"));
  EXPECT_FALSE(run.result);
  const auto kept = ReadTree(run.target);
  EXPECT_EQ(kept.size(), 51u + 1u) << "nothing deleted in it, nothing copied into it";
  EXPECT_EQ(kept.count("big\\new.txt"), 0u);
  EXPECT_EQ(ReadFileBytes(run.target + "\\top.txt"), "top.txt");
}

TEST(ListingFaults, TargetRootCutShortStopsTheRun) {
  CutRun run;
  MakeTree(run.source, {"new.txt"});
  MakeTree(run.target, Numbered("old", 3));
  MakeTree(run.target, {"surplus.txt"});
  CuttingLister lister(run.target + "\\", 1);
  EXPECT_EQ(run.Run(lister), Unreadable(run.target));
  EXPECT_FALSE(run.result);
  EXPECT_EQ(ReadTree(run.target).size(), 5u);
  EXPECT_FALSE(Exists(run.target + "\\new.txt"));
}

TEST(ListingFaults, RemovalStopsAtAListingCutShortAndAtAStopRequest) {
  TempDir dir("remove");
  MakeTree(dir / "old", Numbered("deep", 20));
  MakeTree(dir / "other", Numbered("deep", 3));
  SyncConfig config;
  std::string errors;
  {
    TempDir logs("logs");
    StdStreamGuard guard;
    OpenLogs((logs.Path() + "\\").c_str());
    CuttingLister lister(dir / "old\\deep" + "\\", 5);
    DeleteTree(config, dir / "old", lister);
    // Escape answered Yes: nothing more is removed.
    RunControl control;
    control.Stop();
    config.runControl = &control;
    DeleteTree(config, dir / "other");
    config.runControl = nullptr;
    CloseLogs();
    errors = ReadFileBytes(logs / "velkarin.err").value_or("");
  }
  EXPECT_EQ(errors, "Ошибка 59 удаления каталога \"" + (dir / "old\\deep") + "\"\r\n");
  EXPECT_EQ(config.errorCount, 1);
  EXPECT_EQ(ReadTree(dir / "old").size(), 21u);
  EXPECT_EQ(ReadTree(dir / "other").size(), 4u);
}
