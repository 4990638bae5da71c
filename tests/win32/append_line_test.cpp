#include "win32/append_line.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_support.h"

using namespace testing_support;

// Writers that append at the same moment, each through handles of its own
// as separate processes would: every line arrives once and whole.
TEST(AppendWholeLine, WritersAtOnceNeverInterleaveOrLoseALine) {
  TempDir dir("append");
  const std::string path = dir / "record.log";
  constexpr int kWriters = 4, kLines = 60;
  std::vector<std::thread> writers;
  std::vector<int> failures(kWriters, 0);
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < kLines; ++i) {
        // Long enough for a torn write to show.
        const std::string line = std::to_string(w) + "\t" + std::to_string(i) + "\t" + std::string(2000, 'a' + w) + "\r\n";
        std::uint32_t error = 0;
        if (!AppendWholeLine(path, line, error)) ++failures[w];
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(failures, std::vector<int>(kWriters, 0));

  std::map<std::string, int> seen;
  std::istringstream in(ReadFileBytes(path).value_or(""));
  for (std::string line; std::getline(in, line);) {
    ASSERT_EQ(line.back(), '\r');
    const int writer = line[0] - '0';
    ASSERT_GE(writer, 0);
    ASSERT_LT(writer, kWriters);
    const std::size_t body = line.find('\t', 2) + 1;
    EXPECT_EQ(line.substr(body, line.size() - 1 - body), std::string(2000, 'a' + writer)) << "a torn line";
    ++seen[line.substr(0, body - 1)];
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kWriters * kLines)) << "lines lost";
  for (const auto& [key, count] : seen) EXPECT_EQ(count, 1) << key;
}
