// The window during the copy phase: the bar moves on, and nothing the
// window showed before (the client's picture, the caption, the version,
// the notice, the strip) is covered or moved.
#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"
#include "tests/support/window_capture.h"

using namespace e2e;
using namespace testing_support;

namespace {

// Where the bar may draw (x 31-280, y 58-82 on the picture), and the rows
// that change anyway: the status text and the strip.
bool MayChange(int x, int y) {
  return (x >= 31 && x < 281 && y >= 58 && y < 83) || (y >= 27 && y < 43) || (x >= 12 && x < 410 && y >= 44 && y < 47);
}
bool White(std::uint32_t pixel) { return (pixel & 0xF0F0F0) == 0xF0F0F0; }
// The bar: its frame's top row white from end to end.
bool BarShown(const WindowPixels& shot) {
  for (int x = 31; x < 281; ++x) {
    if (!White(shot.At(x, 75))) return false;
  }
  return true;
}
int Filled(const WindowPixels& shot) {
  int filled = 0;
  for (int x = 33; x < 279; ++x) filled += White(shot.At(x, 78));
  return filled;
}

}  // namespace

TEST(ProgressWindow, BarMovesOnDuringTheCopyAndCoversNothingElse) {
  TempDir dir{"bar"};
  const std::string source = dir / "Источник", target = dir / "Приемник";
  std::vector<std::string> many;
  for (int d = 0; d < 30; ++d) {
    many.push_back("d" + std::to_string(d) + "\\");
    for (int f = 0; f < 100; ++f) many.push_back("d" + std::to_string(d) + "\\f" + std::to_string(f));
  }
  MakeTree(source, many);
  // The client's picture (bitmap 101 of kadu.exe, 420 x 200).
  WriteFileBytes(source + "\\kadu.exe", *ReadFileBytes(ExeDir() + "\\fake_client.exe"));
  // A pair whose source is missing: an error, so the run ends with a
  // question, during which the window shows what it shows outside the phase.
  WriteIni(dir / "velkarin.ini", "[Основные параметры]\nКаталогИсточник=" + source + "\nКаталогПриемник=" + target +
                                     "\nВыполнить=\n[Проверить пары]\nнет.txt=нет.txt\n");
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(StartProcess("\"" + ExeDir() + "\\velkarin.exe\"", dir.Path(), process));
  std::vector<WindowPixels> during;
  WindowPixels after;
  bool asked = false;
  for (int i = 0; i < 3000 && !asked && WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0; ++i) {
    HWND window = FindWindowA("velkarin.v2", nullptr);
    if (HWND question = FindWindowA("#32770", "Синхронизация")) {
      // Out of the way of the window, which then paints what lay under it.
      SetWindowPos(question, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Sleep(500);
      asked = window != nullptr && CaptureWindow(window, after);
      PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    } else if (window != nullptr && IsWindowVisible(window)) {
      WindowPixels shot;
      if (CaptureWindow(window, shot) && BarShown(shot)) during.push_back(std::move(shot));
    }
    Sleep(10);
  }
  const bool exited = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  if (!exited) TerminateProcess(process.hProcess, 255);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_TRUE(exited) << "velkarin.exe did not end by itself";
  ASSERT_TRUE(asked) << "the question after the run was not seen";
  ASSERT_EQ(after.width, 420);
  ASSERT_EQ(after.height, 200);
  EXPECT_FALSE(BarShown(after)) << "the bar stays after the phase";
  ASSERT_GE(during.size(), 2u) << "the bar was not seen twice during the copy";
  EXPECT_GT(Filled(during.back()), Filled(during.front())) << during.size() << " captures";
  for (std::size_t i = 1; i < during.size(); ++i) {
    EXPECT_GE(Filled(during[i]), Filled(during[i - 1])) << "the bar went back at capture " << i;
  }
  // Outside its own place the window is what it is without the bar.
  for (std::size_t i = 0; i < during.size(); ++i) {
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < after.height; ++y) {
      for (int x = 0; x < after.width; ++x) {
        if (MayChange(x, y) || during[i].At(x, y) == after.At(x, y)) continue;
        if (differing++ == 0) firstX = x, firstY = y;
      }
    }
    EXPECT_EQ(differing, 0) << "capture " << i << " first at (" << firstX << ", " << firstY << ")";
  }
  // The strip still runs where it did, over the bar's time too.
  int stripPixels = 0;
  for (int x = 12; x < 410; ++x) stripPixels += (during.back().At(x, 45) & 0xFF) > 150;
  EXPECT_GT(stripPixels, 50) << "the strip's light dashes";
}
