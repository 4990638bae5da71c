#include "ui/progress_bar.h"

#include "ui/progress_text.h"

namespace {

// The time left changes its text at most once a second: a figure that
// flickers with every file cannot be read.
constexpr DWORD kEstimateEveryMs = 1000;
// The count and the bar are drawn again at most twenty times a second:
// files come faster than that, and each drawing is a trip to the display
// (a round trip to the X server under Wine) that the eye would not see.
constexpr DWORD kRedrawEveryMs = 50;
constexpr int kTextGap = 12;

}  // namespace

ProgressBar::ProgressBar(int width, int height, HFONT font, HBRUSH background)
    : layout_(LayOutProgress(width, height)), font_(font), background_(background) {}

ProgressBar::~ProgressBar() {
  if (dcDefault_ != nullptr) SelectObject(dc_.Get(), dcDefault_);
}

void ProgressBar::Hold(DWORD now) {
  held_ = true;
  heldSince_ = now;
}

void ProgressBar::Release(DWORD now) {
  if (!held_) return;
  held_ = false;
  start_ += now - heldSince_;
}

ProgressBar::View ProgressBar::Compose(DWORD now) {
  (void)TakeProgress(counts_);
  if (!counts_.Active()) {
    running_ = false;
    return View();
  }
  if (!running_) {
    running_ = true;
    start_ = now;
    estimatedAt_ = now;
    timeLeft_.clear();
  }
  View view;
  view.shown = layout_.shown;
  const double fraction = counts_.Fraction();
  view.filled = FilledWidth(layout_, fraction);
  view.count = CountText(counts_.DoneItems(), counts_.TotalItems());
  if (!held_ && now - estimatedAt_ >= kEstimateEveryMs) {
    estimatedAt_ = now;
    std::uint64_t seconds = 0;
    timeLeft_ = EstimateSecondsLeft(fraction, now - start_, seconds) ? TimeLeftText(seconds) : std::string();
  }
  view.timeLeft = timeLeft_;
  return view;
}

void ProgressBar::Tick(HDC window, HDC picture, DWORD now) {
  const View view = Compose(now);
  if (view == drawn_) return;
  // Appearing and going are drawn at once; the rest waits its turn.
  if (view.shown == drawn_.shown && now - drawnAt_ < kRedrawEveryMs) return;
  Draw(window, picture, view);
  drawn_ = view;
  drawnAt_ = now;
}

void ProgressBar::Paint(HDC window, HDC picture, const RECT& area) {
  const PixelBox& own = layout_.area;
  const RECT box = {own.left, own.top, own.right, own.bottom};
  RECT overlap;
  if (drawn_.shown && IntersectRect(&overlap, &area, &box)) Draw(window, picture, drawn_);
}

void ProgressBar::Draw(HDC window, HDC picture, const View& view) {
  if (!layout_.shown) return;
  const PixelBox& area = layout_.area;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (!dc_) {
    dc_.Reset(CreateCompatibleDC(window));
    bitmap_.Reset(CreateCompatibleBitmap(window, width, height));
    if (!dc_ || !bitmap_) return;
    dcDefault_ = SelectObject(dc_.Get(), bitmap_.Get());
  }
  HDC dc = dc_.Get();
  // What lies under it: the picture, or the window's own background.
  if (picture != nullptr) {
    BitBlt(dc, 0, 0, width, height, picture, area.left, area.top, SRCCOPY);
  } else {
    const RECT all = {0, 0, width, height};
    FillRect(dc, &all, background_);
  }
  if (view.shown) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    const int textTop = layout_.text.top - area.top;
    TextOutA(dc, 0, textTop, view.count.c_str(), static_cast<int>(view.count.size()));
    SIZE countSize{}, leftSize{};
    GetTextExtentPoint32A(dc, view.count.c_str(), static_cast<int>(view.count.size()), &countSize);
    GetTextExtentPoint32A(dc, view.timeLeft.c_str(), static_cast<int>(view.timeLeft.size()), &leftSize);
    // Right-aligned with the bar's end; left out where it would run into
    // the count (a narrow picture).
    if (!view.timeLeft.empty() && countSize.cx + kTextGap + leftSize.cx <= width) {
      TextOutA(dc, width - leftSize.cx, textTop, view.timeLeft.c_str(), static_cast<int>(view.timeLeft.size()));
    }
    SelectObject(dc, oldFont);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    const int barTop = layout_.bar.top - area.top;
    const RECT frame = {0, barTop, width, barTop + (layout_.bar.bottom - layout_.bar.top)};
    FrameRect(dc, &frame, white);
    const RECT fill = {2, frame.top + 2, 2 + view.filled, frame.bottom - 2};
    if (view.filled > 0) FillRect(dc, &fill, white);
  }
  BitBlt(window, area.left, area.top, width, height, dc, 0, 0, SRCCOPY);
}
