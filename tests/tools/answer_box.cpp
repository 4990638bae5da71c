// answer_box: waits for a message box with a given caption, records what it
// says, and presses one of its buttons, the way UI automation answers a box
// on Windows.
//
//   answer_box.exe <caption> <ok|yes|no|cancel> <timeout-ms> <report-file>
//                  [<caption> <button> <report-file>]...
//     answers the boxes in that order, each within the time, each once the
//     one before is gone; a report is written for each box answered
//   answer_box.exe --start-desktop
//   answer_box.exe --escape <window-class> <timeout-ms>
//     waits for a visible window of the class and types Escape into it
//
// The report's first line is "icon=<kind> buttons=<ids> default=<id>" (the
// button Enter would press); everything after that first line feed is the
// box text, byte for byte (Windows-1251).
// Exit codes: 0 all answered, 2 a box did not come within the time, 3 it
// has no such button, 1 bad arguments or a report could not be written.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Control ids of the standard box: Windows uses 0xFFFF for the text and 20
// for the icon; Wine uses 100 and 1088.
constexpr int kTextIds[] = {0xFFFF, 100};
constexpr int kIconIds[] = {20, 1088};

struct ButtonName {
  const char* name;
  int id;
};
constexpr ButtonName kButtons[] = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"yes", IDYES}, {"no", IDNO}};

HWND VisibleChild(HWND dialog, int id) {
  HWND child = GetDlgItem(dialog, id);
  return child != nullptr && IsWindowVisible(child) ? child : nullptr;
}

std::string ControlText(HWND control) {
  const LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data());
}

std::string BoxText(HWND dialog) {
  for (int id : kTextIds) {
    if (HWND control = GetDlgItem(dialog, id)) return ControlText(control);
  }
  return std::string();
}

std::string Buttons(HWND dialog) {
  std::string result;
  for (const ButtonName& button : kButtons) {
    if (VisibleChild(dialog, button.id) == nullptr) continue;
    if (!result.empty()) result += ',';
    result += button.name;
  }
  return result;
}

// The button that Enter presses: the one with the default push button's
// style. (Wine answers DM_GETDEFID with the dialog's default id, IDOK,
// whatever the box's buttons.)
std::string DefaultButton(HWND dialog) {
  for (const ButtonName& button : kButtons) {
    HWND control = VisibleChild(dialog, button.id);
    if (control == nullptr) continue;
    if ((GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return button.name;
  }
  return "none";
}

// The icon is told by its pixels: the box's icon control is captured from
// the screen and compared with each standard icon drawn on the same
// background. Icon handles of another process cannot be compared directly.
long long Difference(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
  long long sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      sum += std::llabs(static_cast<long long>((a[i] >> shift) & 0xFF) -
                        static_cast<long long>((b[i] >> shift) & 0xFF));
    }
  }
  return sum;
}

std::vector<DWORD> Pixels(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height);
  GetDIBits(dc, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  return pixels;
}

// The icon control's pixels as the screen shows them.
std::vector<DWORD> CaptureRect(HDC screen, const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP shot = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, shot);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  std::vector<DWORD> pixels = Pixels(memory, shot, width, height);
  DeleteObject(shot);
  DeleteDC(memory);
  return pixels;
}

bool Blank(const std::vector<DWORD>& pixels) {
  for (DWORD pixel : pixels) {
    if (pixel != pixels.back()) return false;  // a corner: icons leave it clear
  }
  return true;
}

std::string IconKind(HWND dialog) {
  HWND icon = nullptr;
  for (int id : kIconIds) {
    if ((icon = VisibleChild(dialog, id)) != nullptr) break;
  }
  // A box without an icon has the control but no icon set in it.
  if (icon == nullptr || SendMessageA(icon, STM_GETICON, 0, 0) == 0) return "none";
  RECT rect{};
  if (!GetWindowRect(icon, &rect)) return "none";
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return "none";

  HDC screen = GetDC(nullptr);
  // Read once the box has painted its icon: the same pixels twice in a
  // row, not all of the background's colour. An icon control that still
  // shows nothing after a while shows no icon.
  std::vector<DWORD> captured = CaptureRect(screen, rect);
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 2000;) {
    Sleep(5);
    std::vector<DWORD> again = CaptureRect(screen, rect);
    const bool settled = again == captured && !Blank(again);
    captured = std::move(again);
    if (settled) break;
  }
  const DWORD background = captured.back();

  struct Candidate {
    const char* name;
    LPCSTR id;
  };
  const Candidate candidates[] = {{"error", IDI_HAND},
                                  {"warning", IDI_EXCLAMATION},
                                  {"information", IDI_ASTERISK},
                                  {"question", IDI_QUESTION}};
  std::string best = "unknown";
  long long bestDifference = LLONG_MAX;
  HDC memory = CreateCompatibleDC(screen);
  for (const Candidate& candidate : candidates) {
    HBITMAP drawn = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, drawn);
    const COLORREF fill = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, LoadIconA(nullptr, candidate.id), width, height, 0, nullptr, DI_NORMAL);
    SelectObject(memory, old);
    const long long difference = Difference(captured, Pixels(memory, drawn, width, height));
    DeleteObject(drawn);
    if (difference < bestDifference) {
      bestDifference = difference;
      best = candidate.name;
    }
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  // An icon control that shows nothing at all is no icon.
  if (Blank(captured)) return "none";
  return best;
}

HWND WaitForBox(const char* caption, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND dialog = FindWindowA("#32770", caption);
    if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(5);
  }
}

// Waits for the box, writes its report to `reportPath` and presses
// `buttonId`; then waits until the box is gone. The report is written only
// for a box that was answered.
int Answer(const char* caption, int buttonId, DWORD timeoutMs, const char* reportPath) {
  HWND dialog = WaitForBox(caption, timeoutMs);
  if (dialog == nullptr) return 2;

  const std::string report =
      "icon=" + IconKind(dialog) + " buttons=" + Buttons(dialog) + " default=" + DefaultButton(dialog) + "\n" +
      BoxText(dialog);
  HWND button = VisibleChild(dialog, buttonId);
  if (button == nullptr) return 3;
  std::FILE* file = std::fopen(reportPath, "wb");
  if (file == nullptr) return 1;
  std::fwrite(report.data(), 1, report.size(), file);
  std::fclose(file);

  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  // Wait until the box is gone, so that a next answerer for the same caption
  // cannot mistake this box for the one that follows it.
  const DWORD start = GetTickCount();
  while (IsWindow(dialog) && GetTickCount() - start < 5000) Sleep(5);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Under Wine the first process that touches the desktop starts the
  // desktop process and hands it its own standard error handle, which that
  // process then keeps open for ever: a log file it inherits can no longer
  // be deleted, a pipe it inherits never ends. The test scripts therefore
  // start the desktop once, up front, with nothing to inherit.
  if (argc == 2 && std::strcmp(argv[1], "--start-desktop") == 0) {
    return GetDesktopWindow() != nullptr ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "--escape") == 0) {
    const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    const DWORD start = GetTickCount();
    for (;;) {
      HWND window = FindWindowA(argv[2], nullptr);
      if (window != nullptr && IsWindowVisible(window)) {
        PostMessageA(window, WM_CHAR, VK_ESCAPE, 1);
        return 0;
      }
      if (GetTickCount() - start >= timeoutMs) return 2;
      Sleep(10);
    }
  }
  if (argc < 5 || (argc - 5) % 3 != 0) {
    std::fprintf(stderr,
                 "usage: answer_box <caption> <ok|yes|no|cancel> <timeout-ms> <report> "
                 "[<caption> <button> <report>]...\n");
    return 1;
  }
  const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  // The boxes one after the other: each is looked for once the one before
  // has gone, so that two boxes of one caption are never taken for one.
  for (int box = 0; 4 + 3 * box < argc; ++box) {
    const char* caption = argv[box == 0 ? 1 : 2 + 3 * box];
    const char* buttonName = argv[box == 0 ? 2 : 3 + 3 * box];
    const char* reportPath = argv[4 + 3 * box];
    int buttonId = 0;
    for (const ButtonName& button : kButtons) {
      if (std::strcmp(buttonName, button.name) == 0) buttonId = button.id;
    }
    if (buttonId == 0) return 1;
    const int status = Answer(caption, buttonId, timeoutMs, reportPath);
    if (status != 0) return status;
  }
  return 0;
}
