#pragma once
// Where the progress of the copy phase goes on the splash picture: a count
// line and a bar below the moving strip, left-aligned with the texts at
// x = 31, clear of everything the window already draws. Plain geometry, so
// that any picture size can be checked without a window.

// A rectangle in client pixels; right and bottom are exclusive.
struct PixelBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

[[nodiscard]] bool Overlap(const PixelBox& a, const PixelBox& b) noexcept;

// What the window draws whatever the run does, each as the band it may use
// across a picture `width` wide and `height` high: the status text, the
// strip, the caption with the version under it, the notice near the bottom.
[[nodiscard]] PixelBox StatusTextBand(int width) noexcept;
[[nodiscard]] PixelBox StripBand() noexcept;
[[nodiscard]] PixelBox TitleBand(int width) noexcept;
[[nodiscard]] PixelBox NoticeBand(int width, int height) noexcept;

struct ProgressLayout {
  bool shown = false;  // false: the picture is too small to hold it clear of the rest
  PixelBox area;       // everything below, for redrawing in one piece
  PixelBox text;       // the count at its left, the time left at its right
  PixelBox bar;        // a one-pixel frame; the fill keeps one pixel inside it
};

// At most 250 pixels wide: the left part of the picture, where the texts
// are, leaving the rest (where a client's picture has its emblem) alone.
[[nodiscard]] ProgressLayout LayOutProgress(int width, int height) noexcept;

// How many pixels of the bar's inside are filled at `fraction` (0 to 1).
[[nodiscard]] int FilledWidth(const ProgressLayout& layout, double fraction) noexcept;
