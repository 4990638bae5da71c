#include "log/system_reason.h"

#include <gtest/gtest.h>

TEST(SystemReason, MessageLosesItsLineBreakAndOneFullStop) {
  EXPECT_EQ(TrimSystemMessage("Access denied.\r\n"), "Access denied");
  EXPECT_EQ(TrimSystemMessage("Отказано в доступе. \r\n"), "Отказано в доступе");
  EXPECT_EQ(TrimSystemMessage("Wait for it...\r\n"), "Wait for it..") << "only one full stop goes";
  EXPECT_EQ(TrimSystemMessage("No stop here"), "No stop here");
  EXPECT_EQ(TrimSystemMessage("\r\n"), "");
  EXPECT_EQ(TrimSystemMessage(""), "");
}

TEST(SystemReason, LineBreaksInsideAMessageBecomeOneBlank) {
  EXPECT_EQ(TrimSystemMessage("First line.\r\nSecond line.\r\n"), "First line. Second line");
  EXPECT_EQ(TrimSystemMessage("A \r\n\r\nB\n"), "A B");
}

TEST(SystemReason, SuffixNamesTheCodeAndTheMessage) {
  EXPECT_EQ(ReasonSuffix(5, "Access denied"), " (5: Access denied)");
  EXPECT_EQ(ReasonSuffix(4294967295u, "x"), " (4294967295: x)") << "codes are unsigned";
  EXPECT_EQ(ReasonSuffix(1234, ""), " (1234)");
}
