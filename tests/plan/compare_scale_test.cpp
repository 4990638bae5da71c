// CompareFiles at scale: the answer for twenty thousand names a side, and
// the work it takes, which must grow in step with the number of names.
//
// The work is counted as heap allocations: every name longer than the
// string's inline buffer costs one when its lower-cased key is made, so a
// comparison that makes keys per pair of names (quadratic) shows at once.
// Counting replaces the global operator new, which is why this test has a
// binary of its own: the other core tests keep the sanitizers' own
// allocator checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "model/file_time.h"
#include "plan/registry.h"

namespace {

std::atomic<bool> g_counting{false};
std::atomic<std::size_t> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  if (g_counting) ++g_allocations;
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

constexpr std::uint32_t kSecond = 10000000;

FileEntry File(const std::string& name, std::uint32_t low) {
  FileEntry entry;
  std::snprintf(entry.name, sizeof(entry.name), "%s", name.c_str());
  entry.lastWriteTime = {low, 30000000};
  return entry;
}

struct Outcome {
  int count = 0;
  int expectNew = 0, expectChanged = 0, expectTargetOnly = 0;
  int gotNew = 0, gotChanged = 0, gotTargetOnly = 0;
  std::string lastTarget;
  std::size_t allocations = 0;  // made by CompareFiles alone
};

// Most files match, every 50th changed, every 100th only in the source,
// one target file in a hundred only in the target; the target is listed in
// reverse and half its names in another case. Names are longer than 15
// characters, so no key fits the string's inline buffer.
Outcome CompareAtScale(int count) {
  Outcome outcome;
  outcome.count = count;
  DirRecord source(".");
  DirRecord target(".");
  for (int i = 0; i < count; ++i) {
    const std::string number = std::to_string(i);
    source.entries.push_back(File("component-file-" + number + ".dat", 1000));
    if (i % 100 == 7) {
      ++outcome.expectNew;
      continue;
    }
    if (i % 50 == 3) ++outcome.expectChanged;
    target.entries.push_back(File(i % 2 ? "component-file-" + number + ".dat" : "COMPONENT-FILE-" + number + ".DAT",
                                  i % 50 == 3 ? 1000 + 3 * kSecond : 1000));
  }
  for (int i = 0; i < count / 100; ++i, ++outcome.expectTargetOnly)
    target.entries.push_back(File("extra-target-file-" + std::to_string(i), 0));
  std::reverse(target.entries.begin(), target.entries.end());

  g_allocations = 0;
  g_counting = true;
  CompareFiles(source, target);
  g_counting = false;
  outcome.allocations = g_allocations;

  for (const FileEntry& entry : source.entries) (entry.isNew ? outcome.gotNew : outcome.gotChanged)++;
  outcome.gotTargetOnly = static_cast<int>(target.entries.size());
  if (!target.entries.empty()) outcome.lastTarget = target.entries.back().name;
  return outcome;
}

}  // namespace

TEST(CompareFiles, TwentyThousandEntriesEachSide) {
  const Outcome small = CompareAtScale(5000);
  const Outcome large = CompareAtScale(20000);
  for (const Outcome& run : {small, large}) {
    EXPECT_EQ(run.gotNew, run.expectNew) << run.count;
    EXPECT_EQ(run.gotChanged, run.expectChanged) << run.count;
    EXPECT_EQ(run.gotTargetOnly, run.expectTargetOnly) << run.count;
    EXPECT_EQ(run.lastTarget, "extra-target-file-0") << "target order is kept, " << run.count;
  }
  // A linear comparison makes a few allocations per name (one key per
  // target name, one per source name looked up, the index's nodes): four
  // times the names, about four times the allocations. Pairwise keys would
  // give sixteen times as many.
  ASSERT_GT(small.allocations, 0u) << "the counting hook saw nothing";
  EXPECT_LE(large.allocations, 5 * small.allocations)
      << small.allocations << " allocations for 5000 names a side, " << large.allocations << " for 20000";
  EXPECT_LE(large.allocations, 8u * 2 * 20000) << "more than a handful of allocations per name";
}
