#pragma once
// How far the copy, update and delete phase has got, as plain numbers: what
// the worker reports (under the lock of the window's mailbox) and what the
// window makes of it: the bar's fraction, the count and the time left. No
// platform calls; the clock's readings come in as milliseconds.
#include <cstdint>
#include <string>

// What an item of the phase (a copy, a deletion, a pair) weighs besides its
// listed size. A small file costs about the same fixed work as another
// (create, write, rename, close: under a millisecond locally, several over
// a share), which at the rates those links move bytes is what copying some
// 50-100 KB costs; the constant scales with the link, since a slow share is
// slow per request and per byte alike. Without it a run of many small files
// and a few large ones would sit near the end of the bar (or the start) for
// as long as the small files take, and a run of deletions only would not
// move at all.
constexpr std::uint64_t kItemWeightBytes = 64 * 1024;

// What the phase will do, counted once the work lists are built.
struct WorkTotals {
  std::uint64_t items = 0;  // copies, deletions and file pairs
  std::uint64_t bytes = 0;  // listed sizes of the files to copy
};

// The worker's reports. Each call is a few integer stores: the worker makes
// one per item, under the mailbox's lock.
class ProgressCounts {
 public:
  // The phase begins with `totals` to do. With no item at all there is
  // nothing to show.
  void Start(const WorkTotals& totals) noexcept;
  // The next item begins; the one before it is finished, whatever became
  // of it (copied, failed, vanished, skipped: none of it is left to do).
  void BeginItem(std::uint64_t listedSize) noexcept;
  // Bytes of the current item copied so far; a file that grew since it was
  // listed counts no more than its listed size.
  void Transferred(std::uint64_t bytes) noexcept;
  // The phase is over.
  void End() noexcept;

  [[nodiscard]] bool Active() const noexcept { return active_; }
  [[nodiscard]] std::uint64_t TotalItems() const noexcept { return totals_.items; }
  // Finished items, never more than the total.
  [[nodiscard]] std::uint64_t DoneItems() const noexcept;
  // Done weight over total weight (bytes plus kItemWeightBytes per item),
  // from 0 to 1; 1 when there is nothing to do.
  [[nodiscard]] double Fraction() const noexcept;

 private:
  WorkTotals totals_;
  bool active_ = false;
  std::uint64_t begun_ = 0;         // items begun, the current one included
  std::uint64_t doneBytes_ = 0;     // listed sizes of the finished items
  std::uint64_t currentSize_ = 0;   // listed size of the current item
  std::uint64_t currentBytes_ = 0;  // its bytes copied so far
};

// "N из M".
[[nodiscard]] std::string CountText(std::uint64_t done, std::uint64_t total);

// No estimate before the run has gone on this long: the first files say
// little about the rate (caches, a share's first requests).
constexpr std::uint64_t kEstimateAfterMs = 3000;

// The time left, at the rate so far, in whole seconds (rounded up). False
// when nothing meaningful can be said: too early, too little done to
// extrapolate from (under 1%), all done, or more than 99 hours.
[[nodiscard]] bool EstimateSecondsLeft(double fraction, std::uint64_t elapsedMs, std::uint64_t& seconds);

// "осталось 40 с", "осталось 2 мин 05 с", "осталось 1 ч 05 мин".
[[nodiscard]] std::string TimeLeftText(std::uint64_t seconds);
