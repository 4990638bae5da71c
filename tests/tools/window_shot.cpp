// window_shot: waits until a path exists (a sign that a run has got far
// enough), then saves what a visible window of a given class shows on the
// screen as a BMP file. scripts/screenshot uses it for the README's picture.
//
//   window_shot.exe <window-class> <wait-for-path> <timeout-ms> <out.bmp> [<min-ms>]
//
// With <min-ms>, the picture is taken no sooner than that long after the
// window was first seen (long enough for the window to show the time left).
//
// Exit codes: 0 saved, 2 the path or the window did not come in time,
// 1 bad arguments or the picture could not be taken or written.
#include <windows.h>

#include <cstdlib>

#include "tests/support/window_capture.h"

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) return 1;
  const DWORD timeout = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  const DWORD minimum = argc == 6 ? static_cast<DWORD>(std::strtoul(argv[5], nullptr, 10)) : 0;
  const DWORD start = GetTickCount();
  DWORD seen = 0;
  HWND window = nullptr;
  while (GetTickCount() - start < timeout) {
    window = FindWindowA(argv[1], nullptr);
    const bool visible = window != nullptr && IsWindowVisible(window);
    if (visible && seen == 0) seen = GetTickCount();
    if (visible && GetTickCount() - seen >= minimum && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
    window = nullptr;
    Sleep(5);
  }
  if (window == nullptr) return 2;
  testing_support::WindowPixels shot;
  if (!testing_support::CaptureWindow(window, shot)) return 1;
  return testing_support::WriteBmp(argv[4], shot) ? 0 : 1;
}
