#include "log/log_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>

namespace {

// What the log writes for `value`, and what a standard stream writes.
template <typename T>
void ExpectAsStandardStream(T value) {
  std::string logged;
  LogStream log(nullptr);
  log.CaptureInto(&logged);
  log << value;
  std::ostringstream standard;
  standard << value;
  EXPECT_EQ(logged, standard.str()) << "value " << standard.str();
}

template <typename T>
void ExpectEdgesAsStandardStream() {
  ExpectAsStandardStream<T>(0);
  ExpectAsStandardStream<T>(7);
  ExpectAsStandardStream<T>(10);
  ExpectAsStandardStream<T>(1023);
  ExpectAsStandardStream<T>(std::numeric_limits<T>::max());
  ExpectAsStandardStream<T>(std::numeric_limits<T>::min());
  if constexpr (std::numeric_limits<T>::is_signed) {
    ExpectAsStandardStream<T>(static_cast<T>(-1));
    ExpectAsStandardStream<T>(static_cast<T>(-183));
    ExpectAsStandardStream<T>(std::numeric_limits<T>::min() + 1);
  }
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[256];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof(buffer), file)) != 0;) bytes.append(buffer, got);
    std::fclose(file);
  }
  return bytes;
}

}  // namespace

TEST(LogStream, NumbersComeOutAsTheStandardStreamsWriteThem) {
  ExpectEdgesAsStandardStream<int>();
  ExpectEdgesAsStandardStream<long>();
  ExpectEdgesAsStandardStream<long long>();
  ExpectEdgesAsStandardStream<unsigned>();
  ExpectEdgesAsStandardStream<unsigned long>();
  ExpectEdgesAsStandardStream<unsigned long long>();
  // The types the log lines take: error codes, sizes, counts.
  ExpectAsStandardStream<std::uint32_t>(4294967295u);
  ExpectAsStandardStream<std::size_t>(1023);
  ExpectAsStandardStream<std::uint64_t>(10000000000000000000ull);
  ExpectAsStandardStream<std::int64_t>(-1234567890123ll);
}

TEST(LogStream, TextsAndCharactersGoInAsTheyAre) {
  std::string logged;
  LogStream log(nullptr);
  log.CaptureInto(&logged);
  log << "Ошибка " << 5 << std::string(" \"a\0b\"", 6) << '\\' << EndLine << "" << EndLine;
  EXPECT_EQ(logged, std::string("Ошибка 5 \"a") + '\0' + "b\"\\\n\n");
}

TEST(LogStream, ALineIsInTheFileAsSoonAsItEnds) {
  const std::string path = (std::filesystem::temp_directory_path() / "velkarin-log-stream-test.txt").string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << "cannot create " << path;
  std::setvbuf(file, nullptr, _IOFBF, 4096);
  LogStream log(file);
  log << "first " << 1u;
  log << " line" << EndLine;
  const std::string afterFirst = ReadAll(path);
  log << "second";
  const std::string beforeSecondEnds = ReadAll(path);
  log << EndLine;
  const std::string afterSecond = ReadAll(path);
  EXPECT_FALSE(log.Failed());
  std::fclose(file);
  std::remove(path.c_str());
  EXPECT_EQ(afterFirst, "first 1 line\n");
  EXPECT_EQ(beforeSecondEnds, "first 1 line\n") << "a line goes to the file whole, at its end";
  EXPECT_EQ(afterSecond, "first 1 line\nsecond\n");
}

TEST(LogStream, ACaptureTakesEveryLineUntilItEndsThenTheOldSinkHoldsAgain) {
  LogStream log(nullptr);
  log.Discard();
  std::string outer, inner;
  EXPECT_EQ(log.CaptureInto(&outer), nullptr);
  log << "outer" << EndLine;  // captured although the file is discarded
  std::string* const replaced = log.CaptureInto(&inner);
  EXPECT_EQ(replaced, &outer);
  log << "inner" << EndLine;
  log.CaptureInto(replaced);
  log << "outer again" << EndLine;
  EXPECT_EQ(log.CaptureInto(nullptr), &outer);
  log << "dropped" << EndLine;  // discarded: the null file is never touched
  EXPECT_EQ(outer, "outer\nouter again\n");
  EXPECT_EQ(inner, "inner\n");
  EXPECT_TRUE(log.Discarding());
}

TEST(LogStream, AFileThatRefusesAWriteMakesTheLogFailed) {
  // A stream opened for reading takes no write, as a full disk would not.
  std::FILE* file = std::fopen(VELKARIN_TEMPLATE_PATH, "rb");
  ASSERT_NE(file, nullptr) << VELKARIN_TEMPLATE_PATH;
  LogStream log(file);
  log << "line" << EndLine;
  EXPECT_TRUE(log.Failed());
  log.WriteTo(file);
  EXPECT_FALSE(log.Failed()) << "a file attached anew starts clean";
  std::fclose(file);
}
