#include "config/held_file_wait.h"

#include <gtest/gtest.h>

namespace {

std::string Read(const std::string& value) {
  HeldFileWait wait;
  if (!ParseHeldFileWait(value, wait)) return "refused";
  return std::to_string(wait.budgetMs) + " ms, " + std::to_string(wait.retriesPerFile) + " tries";
}

}  // namespace

TEST(HeldFileWait, WholeSecondsUpToAMinuteAndTheTriesGrowWithThem) {
  EXPECT_EQ(Read(""), "3000 ms, 4 tries") << "the default";
  EXPECT_EQ(Read("3"), "3000 ms, 4 tries");
  EXPECT_EQ(Read("0"), "0 ms, 0 tries");
  EXPECT_EQ(Read("1"), "1000 ms, 2 tries");
  EXPECT_EQ(Read("60"), "60000 ms, 80 tries");
  EXPECT_EQ(Read("060"), "60000 ms, 80 tries");
  for (const char* refused : {"61", "-1", "1.5", "3 s", "десять", "0000", "4294967299"}) {
    EXPECT_EQ(Read(refused), "refused") << refused;
  }
}
