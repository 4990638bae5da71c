#include "ui/progress_layout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLeft = 31;       // where every text of the window starts
constexpr int kLineHeight = 13;  // the Tahoma font's cell
constexpr int kMaxBarWidth = 250;
constexpr int kMinBarWidth = 120;
constexpr int kTextTop = 58;  // ten pixels below the strip
constexpr int kBarTop = kTextTop + kLineHeight + 4;
constexpr int kBarHeight = 8;

}  // namespace

bool Overlap(const PixelBox& a, const PixelBox& b) noexcept {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

PixelBox StatusTextBand(int width) noexcept { return {30, 27, std::max(width, 420), 43}; }
PixelBox StripBand() noexcept { return {12, 44, 410, 47}; }
PixelBox TitleBand(int width) noexcept { return {kLeft, 130, width, 142 + kLineHeight}; }
PixelBox NoticeBand(int width, int height) noexcept {
  return {kLeft, height - 40, width, height - 40 + kLineHeight};
}

ProgressLayout LayOutProgress(int width, int height) noexcept {
  ProgressLayout layout;
  const int barWidth = std::min(kMaxBarWidth, width - 2 * kLeft);
  layout.text = {kLeft, kTextTop, kLeft + barWidth, kTextTop + kLineHeight};
  layout.bar = {kLeft, kBarTop, kLeft + barWidth, kBarTop + kBarHeight};
  layout.area = {kLeft, kTextTop, kLeft + barWidth, kBarTop + kBarHeight};
  // On a picture too small for it, nothing: covering the notice or
  // running off the edge would be worse than no bar.
  layout.shown = barWidth >= kMinBarWidth && layout.area.bottom <= height &&
                 !Overlap(layout.area, NoticeBand(width, height)) && !Overlap(layout.area, TitleBand(width)) &&
                 !Overlap(layout.area, StripBand()) && !Overlap(layout.area, StatusTextBand(width));
  return layout;
}

int FilledWidth(const ProgressLayout& layout, double fraction) noexcept {
  const int inside = layout.bar.right - layout.bar.left - 4;  // frame and a pixel's gap on each side
  const double clamped = std::min(1.0, std::max(0.0, fraction));
  return static_cast<int>(std::floor(clamped * inside));
}
