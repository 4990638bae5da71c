#include "run/exit_code.h"

#include <gtest/gtest.h>

namespace {

int Code(const RunOutcome& outcome) { return static_cast<int>(ExitCodeOf(outcome)); }

}  // namespace

TEST(ExitCode, EachOutcomeAndTheHigherCodeWhereTheyCombine) {
  RunOutcome clean;
  EXPECT_EQ(Code(clean), 0);

  RunOutcome failedItems;
  failedItems.acted = true;
  failedItems.errorCount = 2;
  EXPECT_EQ(Code(failedItems), 1);
  RunOutcome unread = failedItems;
  unread.acted = false;
  EXPECT_EQ(Code(unread), 2) << "errors before the act phase: nothing was synchronised";

  RunOutcome refused;
  refused.configurationRefused = true;
  EXPECT_EQ(Code(refused), 2);

  RunOutcome stopped = failedItems;
  stopped.stopped = true;
  EXPECT_EQ(Code(stopped), 3);

  RunOutcome running;
  running.clientRunning = true;
  EXPECT_EQ(Code(running), 4);

  RunOutcome notStarted = failedItems;
  notStarted.clientNotStarted = true;
  EXPECT_EQ(Code(notStarted), 5) << "over the failed items";
  RunOutcome awayNotStarted = unread;
  awayNotStarted.clientNotStarted = true;
  EXPECT_EQ(Code(awayNotStarted), 5);

  RunOutcome busy;
  busy.targetBusy = true;
  busy.configurationRefused = true;
  EXPECT_EQ(Code(busy), 6);
}
