#include "tests/support/window_capture.h"

#include <cstdio>

#include "win32/handles.h"

namespace {

// 32-bit pixels, rows from the top: how both the capture and the reading
// of a bitmap ask for them.
BITMAPINFO TopDownPixels(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace

namespace testing_support {

bool CaptureWindow(HWND window, WindowPixels& shot) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  win32::ScopedMemoryDc memory(CreateCompatibleDC(screen));
  BITMAPINFO info = TopDownPixels(width, height);
  void* bits = nullptr;
  win32::ScopedGdiObject bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bool copied = false;
  if (memory && bitmap && bits != nullptr) {
    HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
    copied = BitBlt(memory.Get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    SelectObject(memory.Get(), old);
  }
  ReleaseDC(nullptr, screen);
  if (!copied) return false;
  const auto* data = static_cast<const std::uint32_t*>(bits);
  shot.width = width;
  shot.height = height;
  shot.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < shot.pixels.size(); ++i) shot.pixels[i] = data[i] & 0xFFFFFF;
  return true;
}

bool CaptureSettled(HWND window, WindowPixels& shot, const std::function<bool(int x, int y)>& moving,
                    const std::function<bool(const WindowPixels&)>& wanted, DWORD ceilingMs) {
  const auto same = [&moving](const WindowPixels& a, const WindowPixels& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) {
        if (!moving(x, y) && a.At(x, y) != b.At(x, y)) return false;
      }
    }
    return true;
  };
  WindowPixels last;
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    WindowPixels now;
    if (CaptureWindow(window, now) && now.width > 0 && same(last, now) && wanted(now)) {
      shot = std::move(now);
      return true;
    }
    last = std::move(now);
    if (GetTickCount64() - start >= ceilingMs) return false;
    Sleep(20);
  }
}

std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = TopDownPixels(width, height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != height) return {};
  for (std::uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

bool WriteBmp(const std::string& path, const WindowPixels& shot) {
  const int rowSize = (shot.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = shot.width;
  info.biHeight = shot.height;  // bottom-up, as most readers expect
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(rowSize * shot.height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  bool ok = std::fwrite(&file, sizeof(file), 1, out) == 1 && std::fwrite(&info, sizeof(info), 1, out) == 1;
  std::string row(static_cast<std::size_t>(rowSize), '\0');
  for (int y = shot.height - 1; ok && y >= 0; --y) {
    for (int x = 0; x < shot.width; ++x) {
      const std::uint32_t pixel = shot.At(x, y);
      row[static_cast<std::size_t>(x) * 3] = static_cast<char>(pixel & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
    }
    ok = std::fwrite(row.data(), row.size(), 1, out) == 1;
  }
  return std::fclose(out) == 0 && ok;
}

}  // namespace testing_support
