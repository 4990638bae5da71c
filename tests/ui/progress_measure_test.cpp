// The copy phase's progress: what is counted, how far the bar is, the
// count and the time left, and where the bar goes on a picture.
#include "ui/progress_measure.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "plan/plan.h"
#include "ui/progress_layout.h"

namespace {

constexpr double W = static_cast<double>(kItemWeightBytes);

DirRecord Record(const char* name, std::vector<std::uint64_t> sizes, std::uint32_t flags = 0) {
  DirRecord record(name);
  record.flags = flags;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    FileEntry& entry = record.entries.emplace_back();
    std::snprintf(entry.name, sizeof(entry.name), "f%zu", i);
    entry.size = sizes[i];
  }
  return record;
}

// What the progress window counts of the plan made from these work lists.
WorkTotals CountWork(const std::vector<DirRecord>& source, const std::vector<DirRecord>& target, std::size_t pairs,
                     const std::string& targetDir, bool deleteUnneeded, const std::vector<std::string>& strict) {
  std::vector<Action> work;
  PlanWork(work, source, target, pairs, WorkRules{targetDir, deleteUnneeded, strict, {}});
  return ::CountWork(work, source);
}

}  // namespace

TEST(WorkTotals, CopiesWithTheirSizesAndOnlyTheRemovalsThePhaseMakes) {
  const std::vector<DirRecord> source = {Record(".", {10, 20}), Record(".\\Модули", {}, DIR_MISSING),
                                         Record(".\\Модули\\x", {5000000000ULL})};
  // A whole directory, three target-only files in Модули, one elsewhere.
  const std::vector<DirRecord> target = {Record(".\\Старое", {1, 2, 3}, DIR_EXTRA), Record(".\\Модули", {7, 7, 7}),
                                         Record(".\\Прочее", {9})};
  const WorkTotals kept = CountWork(source, target, 2, "C:\\t\\", false, {});
  EXPECT_EQ(kept.items, 3u + 1 + 2) << "copies, the directory, the pairs";
  EXPECT_EQ(kept.bytes, 5000000030ULL) << "removals weigh nothing in bytes";
  EXPECT_EQ(CountWork(source, target, 0, "C:\\t\\", false, {"Модули"}).items, 3u + 1 + 3);
  EXPECT_EQ(CountWork(source, target, 0, "C:\\t\\", true, {}).items, 3u + 1 + 4);
  EXPECT_EQ(CountWork({}, {}, 0, "C:\\t\\", true, {}).items, 0u);
}

TEST(ProgressCounts, BytesAndItemsWeighTogetherAndTheBarNeverPassesItsEnd) {
  ProgressCounts nothing;
  nothing.Start(WorkTotals{});
  EXPECT_FALSE(nothing.Active()) << "a run with nothing to do shows no bar";

  ProgressCounts run;
  run.Start({3, 10000000});  // one large file, two empty ones
  const double total = 10000000 + 3 * W;
  run.BeginItem(10000000);
  EXPECT_EQ(run.Fraction(), 0.0);
  run.Transferred(4000000);
  EXPECT_DOUBLE_EQ(run.Fraction(), 4000000 / total) << "within a large file";
  run.Transferred(30000000);  // it grew since it was listed
  EXPECT_DOUBLE_EQ(run.Fraction(), 10000000 / total) << "a grown file counts its listed size";
  EXPECT_EQ(run.DoneItems(), 0u);
  run.BeginItem(0);  // this one vanishes: nothing is ever transferred
  EXPECT_DOUBLE_EQ(run.Fraction(), (10000000 + W) / total);
  run.BeginItem(0);
  EXPECT_DOUBLE_EQ(run.Fraction(), (10000000 + 2 * W) / total) << "the vanished file counts as done";
  run.BeginItem(0);  // one more than counted
  run.BeginItem(0);
  EXPECT_EQ(run.Fraction(), 1.0);
  EXPECT_EQ(CountText(run.DoneItems(), run.TotalItems()), "3 из 3");
  run.End();
  EXPECT_FALSE(run.Active());

  ProgressCounts deletions;
  deletions.Start({4, 0});
  for (int i = 0; i < 3; ++i) deletions.BeginItem(0);
  EXPECT_DOUBLE_EQ(deletions.Fraction(), 0.5) << "two of four removals done";
  EXPECT_EQ(CountText(deletions.DoneItems(), deletions.TotalItems()), "2 из 4");
}

TEST(TimeLeft, FromTheRateSoFarOnlyOnceItMeansSomething) {
  std::uint64_t seconds = 0;
  EXPECT_FALSE(EstimateSecondsLeft(0.5, 3000, seconds)) << "too early";
  EXPECT_FALSE(EstimateSecondsLeft(0.005, 60000, seconds)) << "too little done";
  EXPECT_FALSE(EstimateSecondsLeft(1.0, 60000, seconds)) << "done";
  EXPECT_FALSE(EstimateSecondsLeft(0.01, 4000000, seconds)) << "beyond 99 hours";
  ASSERT_TRUE(EstimateSecondsLeft(0.25, 6000, seconds));
  EXPECT_EQ(seconds, 18u);
  ASSERT_TRUE(EstimateSecondsLeft(0.75, 3100, seconds));
  EXPECT_EQ(seconds, 2u) << "rounded up";
  EXPECT_EQ(TimeLeftText(40), "осталось 40 с");
  EXPECT_EQ(TimeLeftText(125), "осталось 2 мин 05 с");
  EXPECT_EQ(TimeLeftText(3600 + 4 * 60 + 1), "осталось 1 ч 05 мин");
}

// Three 300 MB files and ten thousand of 4 KB, copied at 100 MB/s and
// 0.7 ms per file (a local disk under Wine), in either order: once the first
// kind is done, the estimate is within a quarter of the time really left.
TEST(TimeLeft, FewLargeAndManySmallFilesInEitherOrder) {
  const std::uint64_t large = 300000000, small = 4096;
  const auto costMs = [](std::uint64_t size) { return 0.7 + static_cast<double>(size) / 100000.0; };
  for (bool largeFirst : {true, false}) {
    std::vector<std::uint64_t> sizes(10000, small);
    sizes.insert(largeFirst ? sizes.begin() : sizes.end(), 3, large);
    ProgressCounts run;
    run.Start({sizes.size(), 3 * large + 10000 * small});
    const std::size_t firstKind = largeFirst ? 3 : 10000;
    double elapsed = 0, total = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      if (i <= firstKind) run.BeginItem(sizes[i]);  // the first item of the second kind begins
      if (i < firstKind) elapsed += costMs(sizes[i]);
      total += costMs(sizes[i]);
    }
    std::uint64_t seconds = 0;
    ASSERT_TRUE(EstimateSecondsLeft(run.Fraction(), static_cast<std::uint64_t>(elapsed), seconds));
    const double left = (total - elapsed) / 1000;
    EXPECT_NEAR(static_cast<double>(seconds), left, left / 4)
        << (largeFirst ? "large first: " : "small first: ") << TimeLeftText(seconds);
  }
}

TEST(ProgressLayout, BelowTheStripAndClearOfTheTextsOnEveryPictureThatHoldsIt) {
  for (int height : {400, 200, 123}) {
    const ProgressLayout layout = LayOutProgress(420, height);
    ASSERT_TRUE(layout.shown) << height;
    EXPECT_GE(layout.area.top, StripBand().bottom) << height;
    EXPECT_LE(layout.area.bottom, NoticeBand(420, height).top) << height;
    EXPECT_LE(layout.area.bottom, TitleBand(420).top) << height;
    EXPECT_EQ(layout.area.left, 31);
  }
  EXPECT_EQ(LayOutProgress(2000, 1000).area.right, 281) << "at most 250 pixels wide";
  EXPECT_FALSE(LayOutProgress(420, 110).shown) << "the notice would be covered";
  EXPECT_FALSE(LayOutProgress(150, 400).shown) << "too narrow";
  const ProgressLayout layout = LayOutProgress(420, 200);
  EXPECT_EQ(FilledWidth(layout, 0.0), 0);
  EXPECT_EQ(FilledWidth(layout, 0.5), 123);
  EXPECT_EQ(FilledWidth(layout, 1.5), 246);
}
