#pragma once
// What a top-level window shows on the screen, read back in one piece, as a
// person (or a screenshot) sees it.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct WindowPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows from the top

  [[nodiscard]] std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

// The window's rectangle copied from the screen; false when it cannot be.
[[nodiscard]] bool CaptureWindow(HWND window, WindowPixels& shot);

// Captures `window` until it shows the same picture twice in a row, but
// for the pixels `moving` marks (what animates on its own), and `wanted`
// holds for that picture: what a person sees once the window has painted
// (after a box that covered it moved away, say). False at the ceiling.
[[nodiscard]] bool CaptureSettled(HWND window, WindowPixels& shot, const std::function<bool(int x, int y)>& moving,
                                  const std::function<bool(const WindowPixels&)>& wanted, DWORD ceilingMs = 20000);

// A `width` x `height` bitmap's pixels as 0x00RRGGBB, rows from the top,
// as the screen would show it; empty when they cannot be read.
[[nodiscard]] std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap, int width, int height);

// Writes `shot` as a 24-bit BMP file.
[[nodiscard]] bool WriteBmp(const std::string& path, const WindowPixels& shot);

}  // namespace testing_support
