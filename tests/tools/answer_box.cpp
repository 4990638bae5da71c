// answer_box: waits for a message box with a given caption, records what it
// says, and presses one of its buttons, the way UI automation answers a box
// on Windows.
//
//   answer_box.exe <caption> <ok|yes|no|cancel> <timeout-ms> <report-file>
//   answer_box.exe --start-desktop
//   answer_box.exe --escape <window-class> <timeout-ms>
//     waits for a visible window of the class and types Escape into it
//
// The report's first line is "icon=<kind> buttons=<ids> default=<id>" (the
// button Enter would press); everything after that first line feed is the
// box text, byte for byte (Windows-1251).
// Exit codes: 0 answered, 2 no such box within the time, 3 no such button,
// 1 bad arguments or the report could not be written.
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
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP shot = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, shot);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  const std::vector<DWORD> captured = Pixels(memory, shot, width, height);
  const DWORD background = captured.back();  // a corner: icons leave it clear

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
  const long long blank = [&] {
    std::vector<DWORD> plain(captured.size(), background);
    return Difference(captured, plain);
  }();
  for (const Candidate& candidate : candidates) {
    HBITMAP drawn = CreateCompatibleBitmap(screen, width, height);
    old = SelectObject(memory, drawn);
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
  DeleteObject(shot);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  // An icon control that shows nothing at all is no icon.
  if (blank == 0) return "none";
  return best;
}

HWND WaitForBox(const char* caption, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND dialog = FindWindowA("#32770", caption);
    if (dialog != nullptr && IsWindowVisible(dialog)) return dialog;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(20);
  }
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
  if (argc != 5) {
    std::fprintf(stderr, "usage: answer_box <caption> <ok|yes|no|cancel> <timeout-ms> <report>\n");
    return 1;
  }
  const char* caption = argv[1];
  int buttonId = 0;
  for (const ButtonName& button : kButtons) {
    if (std::strcmp(argv[2], button.name) == 0) buttonId = button.id;
  }
  const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
  if (buttonId == 0) return 1;

  HWND dialog = WaitForBox(caption, timeoutMs);
  if (dialog == nullptr) return 2;
  Sleep(50);  // let the box finish painting before its icon is captured

  const std::string report =
      "icon=" + IconKind(dialog) + " buttons=" + Buttons(dialog) + " default=" + DefaultButton(dialog) + "\n" +
      BoxText(dialog);
  std::FILE* file = std::fopen(argv[4], "wb");
  if (file == nullptr) return 1;
  std::fwrite(report.data(), 1, report.size(), file);
  std::fclose(file);

  HWND button = VisibleChild(dialog, buttonId);
  if (button == nullptr) return 3;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  // Wait until the box is gone, so that a next answerer for the same caption
  // cannot mistake this box for the one that follows it.
  const DWORD start = GetTickCount();
  while (IsWindow(dialog) && GetTickCount() - start < 5000) Sleep(10);
  return 0;
}
