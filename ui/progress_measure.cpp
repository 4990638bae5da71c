#include "ui/progress_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

void ProgressCounts::Start(const WorkTotals& totals) noexcept {
  *this = ProgressCounts();
  totals_ = totals;
  active_ = totals.items > 0;
}

void ProgressCounts::BeginItem(std::uint64_t listedSize) noexcept {
  if (!active_) return;
  if (begun_ > 0) doneBytes_ += currentSize_;
  ++begun_;
  currentSize_ = listedSize;
  currentBytes_ = 0;
}

void ProgressCounts::Transferred(std::uint64_t bytes) noexcept {
  if (active_ && begun_ > 0) currentBytes_ = std::min(bytes, currentSize_);
}

void ProgressCounts::End() noexcept { active_ = false; }

std::uint64_t ProgressCounts::DoneItems() const noexcept {
  return begun_ == 0 ? 0 : std::min(begun_ - 1, totals_.items);
}

double ProgressCounts::Fraction() const noexcept {
  const double total = static_cast<double>(totals_.bytes) +
                       static_cast<double>(totals_.items) * static_cast<double>(kItemWeightBytes);
  if (total <= 0) return 1.0;
  const double done = static_cast<double>(doneBytes_) + static_cast<double>(currentBytes_) +
                      static_cast<double>(DoneItems()) * static_cast<double>(kItemWeightBytes);
  // More done than counted: the lists and the phase disagreed about an
  // item. The bar stops at its end rather than past it.
  return std::min(1.0, done / total);
}

std::string CountText(std::uint64_t done, std::uint64_t total) {
  return std::to_string(done) + " из " + std::to_string(total);
}

bool EstimateSecondsLeft(double fraction, std::uint64_t elapsedMs, std::uint64_t& seconds) {
  if (elapsedMs <= kEstimateAfterMs || !(fraction >= 0.01) || fraction >= 1.0) return false;
  const double left = static_cast<double>(elapsedMs) * (1.0 - fraction) / fraction / 1000.0;
  if (left > 99.0 * 3600.0) return false;
  seconds = static_cast<std::uint64_t>(std::ceil(left));
  return true;
}

std::string TimeLeftText(std::uint64_t seconds) {
  char text[64];
  const unsigned long long s = seconds;
  if (s < 60) {
    std::snprintf(text, sizeof(text), "осталось %llu с", s);
  } else if (s < 3600) {
    std::snprintf(text, sizeof(text), "осталось %llu мин %02llu с", s / 60, s % 60);
  } else {
    const unsigned long long minutes = (s + 59) / 60;  // whole minutes, rounded up
    std::snprintf(text, sizeof(text), "осталось %llu ч %02llu мин", minutes / 60, minutes % 60);
  }
  return text;
}
