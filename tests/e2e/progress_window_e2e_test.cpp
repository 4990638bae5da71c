// The window during the copy phase: the bar moves on, and nothing the
// window showed before (the client's picture, the caption, the version,
// the notice, the strip) is covered or moved.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/e2e/e2e_support.h"
#include "tests/support/window_capture.h"
#include "ui/progress_measure.h"
#include "win32/handles.h"

using namespace e2e;
using namespace testing_support;

namespace {

// Where the bar may draw (x 31-280, y 58-82 on the picture), and the rows
// that change anyway: the status text and the strip.
bool MayChange(int x, int y) {
  return (x >= 31 && x < 281 && y >= 58 && y < 83) || (y >= 27 && y < 43) || (x >= 12 && x < 410 && y >= 44 && y < 47);
}
// The strip, which moves on its own.
bool InStrip(int x, int y) { return x >= 12 && x < 410 && y >= 44 && y < 47; }
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

// The bar's area on the picture: the count at its top left (a 13-pixel
// line), the frame of the bar at its bottom (8 pixels), 246 pixels inside.
constexpr int kAreaLeft = 31, kAreaTop = 58, kAreaWidth = 250, kAreaHeight = 25;
constexpr int kFrameTop = 17, kCountHeight = 13, kInside = 246;

// What the area shows over `picture` with the text `count` and `filled`
// pixels of the bar, drawn here as a person expects to see it (white
// Tahoma 13 text, a white frame and fill), rows from the top; the count's
// width goes to `countWidth`.
std::vector<std::uint32_t> ExpectedArea(HBITMAP picture, const std::string& count, int filled, int& countWidth) {
  std::vector<std::uint32_t> pixels;
  HDC screen = GetDC(nullptr);
  {
    win32::ScopedMemoryDc under(CreateCompatibleDC(screen));
    win32::ScopedMemoryDc dc(CreateCompatibleDC(screen));
    win32::ScopedGdiObject area(CreateCompatibleBitmap(screen, kAreaWidth, kAreaHeight));
    win32::ScopedGdiObject font(CreateFontA(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, RUSSIAN_CHARSET, 0, 0, 0, 0, "Tahoma"));
    HGDIOBJ oldPicture = SelectObject(under.Get(), picture);
    HGDIOBJ oldArea = SelectObject(dc.Get(), area.Get());
    BitBlt(dc.Get(), 0, 0, kAreaWidth, kAreaHeight, under.Get(), kAreaLeft, kAreaTop, SRCCOPY);
    SetTextColor(dc.Get(), RGB(255, 255, 255));
    SetBkMode(dc.Get(), TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc.Get(), font.Get());
    TextOutA(dc.Get(), 0, 0, count.c_str(), static_cast<int>(count.size()));
    SIZE size{};
    GetTextExtentPoint32A(dc.Get(), count.c_str(), static_cast<int>(count.size()), &size);
    countWidth = size.cx;
    SelectObject(dc.Get(), oldFont);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    const RECT frame = {0, kFrameTop, kAreaWidth, kAreaHeight};
    FrameRect(dc.Get(), &frame, white);
    const RECT fill = {2, kFrameTop + 2, 2 + filled, kAreaHeight - 2};
    if (filled > 0) FillRect(dc.Get(), &fill, white);
    SelectObject(dc.Get(), oldArea);
    SelectObject(under.Get(), oldPicture);
    pixels = BitmapPixels(static_cast<HBITMAP>(area.Get()), kAreaWidth, kAreaHeight);
  }
  ReleaseDC(nullptr, screen);
  return pixels;
}

// The pixels of `shot`'s area that differ from `expected`, leaving out the
// right of the count's line, where the time left may stand.
int Differing(const WindowPixels& shot, const std::vector<std::uint32_t>& expected, int countWidth) {
  int differing = 0;
  for (int y = 0; y < kAreaHeight; ++y) {
    for (int x = 0; x < kAreaWidth; ++x) {
      if (y < kCountHeight && x >= countWidth + 12) continue;
      differing += shot.At(kAreaLeft + x, kAreaTop + y) != expected[static_cast<std::size_t>(y * kAreaWidth + x)];
    }
  }
  return differing;
}

// How many names match `pattern`, the run's temporaries left out unless
// `withTemporaries`.
int Matching(const std::string& pattern, bool withTemporaries = false) {
  int found = 0;
  WIN32_FIND_DATAA data;
  win32::ScopedFind find(FindFirstFileA(pattern.c_str(), &data));
  for (bool more = find.Valid(); more; more = FindNextFileA(find.Get(), &data)) {
    found += withTemporaries || std::string(data.cFileName).find(".~velkarin") == std::string::npos;
  }
  return found;
}

}  // namespace

TEST(ProgressWindow, CountAndBarWeightedByBytesAsTheAbortQuestionFindsThem) {
  TempDir dir{"count"};
  const std::string source = dir / "Источник", target = dir / "Приемник";
  // One large file at the root, copied first, then 200 empty files: by
  // bytes the bar stands far ahead of the share of files done.
  const std::uint64_t kLarge = 16 << 20;
  const int kDirectories = 4, kSmall = 50;
  MakeGeneratedTree(source, kDirectories, kSmall, /*empty=*/true);
  WriteFileBytes(source + "\\large.bin", std::string(kLarge, 'L'));
  const std::uint64_t total = 1 + kDirectories * kSmall;
  WriteIni(dir / "velkarin.ini", QuietMainSection(source, target));
  // No client in the source: the window shows the program's own picture.
  win32::ScopedModule program(LoadLibraryExA((ExeDir() + "\\velkarin.exe").c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(program);
  win32::ScopedGdiObject picture(LoadBitmapA(program.Get(), MAKEINTRESOURCEA(102)));
  ASSERT_TRUE(picture);

  RunningVelkarin run("", dir.Path());
  ASSERT_TRUE(run.Started());
  // The files copied: the large one and empty ones.
  const auto copiedFiles = [&](bool withTemporaries) {
    int files = Matching(target + "\\large.bin");
    for (int d = 0; d < kDirectories; ++d) {
      files += Matching(target + "\\d" + std::to_string(d) + "\\f*", withTemporaries);
    }
    return files;
  };
  // Escape once an empty file has begun: the large one is done by then.
  const auto smallBegun = [&] { return copiedFiles(true) > 1; };
  ASSERT_TRUE(WaitUntil([&] { return smallBegun() || !run.Running(); }, 120000)) << "no copy within two minutes";
  HWND window = FindWindowA("velkarin.v2", nullptr);
  ASSERT_TRUE(run.Running() && window != nullptr) << "the run ended before an empty file was copied";
  PressEscape(window);
  HWND question = WaitForBox(kWindowCaption, run);
  EXPECT_TRUE(question != nullptr) << "the abort question did not come";

  // While the question waits, so does the run. Out of the way of the
  // window, which then paints its area again: the count of files done, and
  // the bar at their bytes' share, each file weighing kItemWeightBytes too.
  std::string matched;
  WindowPixels shot;
  int copied = 0;
  if (question != nullptr) {
    MoveAside(question);
    WaitUntil(
        [&] {
          if (!CaptureWindow(window, shot) || shot.width < kAreaLeft + kAreaWidth) return false;
          // The run waits before a file or a directory: the count is the
          // files copied or one fewer.
          copied = copiedFiles(false);
          for (int done = std::max(copied - 1, 1); done <= copied; ++done) {
            const double weight = static_cast<double>(kItemWeightBytes);
            const double fraction = (static_cast<double>(kLarge) + done * weight) /
                                    (static_cast<double>(kLarge) + static_cast<double>(total) * weight);
            const std::string count = std::to_string(done) + " из " + std::to_string(total);
            const int filled = static_cast<int>(std::floor(fraction * kInside));
            int countWidth = 0;
            const std::vector<std::uint32_t> expected =
                ExpectedArea(static_cast<HBITMAP>(picture.Get()), count, filled, countWidth);
            if (Differing(shot, expected, countWidth) == 0) matched = count;
          }
          return !matched.empty();
        },
        20000, 20);
    PressButton(question, IDNO);
  }
  ASSERT_TRUE(run.WaitForExit(60000)) << "velkarin.exe did not end by itself";
  EXPECT_FALSE(matched.empty()) << "the area never showed \"N из " << total << "\" with the bar at the bytes' share; "
                                << copied << " files copied, " << (shot.width > 0 ? Filled(shot) : 0)
                                << " pixels of the bar white";
  EXPECT_EQ(copiedFiles(false), static_cast<int>(total)) << "the run finished after the question";
}

TEST(ProgressWindow, BarMovesOnDuringTheCopyAndCoversNothingElse) {
  TempDir dir{"bar"};
  const std::string source = dir / "Источник", target = dir / "Приемник";
  const int kDirectories = 8;
  MakeGeneratedTree(source, kDirectories, 40);
  // The client's picture (bitmap 101 of kadu.exe, 420 x 200).
  WriteFileBytes(source + "\\kadu.exe", *ReadFileBytes(ExeDir() + "\\fake_client.exe"));
  // A pair whose source is missing: an error, so the run ends with a
  // question, during which the window shows what it shows outside the phase.
  WriteIni(dir / "velkarin.ini",
           IniWith(MainSection(source, target), "Выполнить=\n", "[Проверить пары]\nнет.txt=нет.txt\n"));
  RunningVelkarin run("", dir.Path());
  HWND window = WaitForProgressWindow(run);
  ASSERT_TRUE(window != nullptr) << "no progress window";
  // The bar read twice during the copy, the run held each time by the abort
  // question: once the first directory of the generated tree is reached and
  // once half of them are. Then once the run has asked its last question.
  std::vector<WindowPixels> during;
  for (int reached : {1, kDirectories / 2}) {
    SCOPED_TRACE("directories reached: " + std::to_string(reached));
    ASSERT_TRUE(WaitUntil([&] { return CountMatching(target + "\\d*") >= reached || !run.Running(); }, 60000));
    ASSERT_TRUE(run.Running()) << "the run ended before its copy phase could be held";
    PressEscape(window);
    HWND question = WaitForBox(kWindowCaption, run);
    ASSERT_TRUE(question != nullptr) << "the abort question did not come";
    // Out of the way of the window, which then paints what lay under it.
    MoveAside(question);
    WindowPixels shot;
    if (CaptureSettled(window, shot, InStrip, BarShown)) during.push_back(std::move(shot));
    PressButton(question, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, 20000)) << "the question stayed";
  }
  WindowPixels after;
  bool asked = false;
  if (HWND question = WaitForBox(kWorkerCaption, run)) {
    MoveAside(question);
    asked = CaptureSettled(window, after, InStrip, [](const WindowPixels&) { return true; });
    PressButton(question, IDNO);
  }
  ASSERT_TRUE(run.WaitForExit(30000)) << "velkarin.exe did not end by itself";
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
