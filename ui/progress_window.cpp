#include "ui/progress_window.h"

#include <algorithm>
#include <cstring>

#include "ui/background_picture.h"
#include "ui/progress_bar.h"
#include "ui/progress_text.h"
#include "ui/version_text.h"
#include "win32/run_control.h"

namespace {

constexpr int kStripBitmapId = 101;
constexpr int kIconId = 200;
constexpr UINT kTimerMs = 5;
const COLORREF kBackground = RGB(12, 38, 61);
const RECT kTextRect = {31, 28, 420, 41};
const RECT kStripRect = {12, 44, 410, 47};

}  // namespace

// The moving strip: a 398 x 3 view of a 1194 x 3 bitmap that slides left by
// three pixels every timer tick.
class ProgressWindow::Strip {
 public:
  Strip(HINSTANCE instance, HWND window, ProgressWindow& owner) : window_(window), owner_(owner) {
    bitmap_.Reset(LoadBitmapA(instance, MAKEINTRESOURCEA(kStripBitmapId)));
    HDC screen = GetDC(window);
    dc_.Reset(CreateCompatibleDC(screen));
    ReleaseDC(window, screen);
    if (dc_ && bitmap_) defaultBitmap_ = SelectObject(dc_.Get(), bitmap_.Get());
    SetTimer(window, reinterpret_cast<UINT_PTR>(this), kTimerMs, &ProgressWindow::OnTimer);
  }
  ~Strip() {
    KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
    if (defaultBitmap_ != nullptr) SelectObject(dc_.Get(), defaultBitmap_);
  }
  void Tick() {
    offset_ -= 3;
    if (offset_ <= 0) offset_ = 796;
    owner_.Animate();
  }
  void Draw(HDC dc) const {
    if (defaultBitmap_ == nullptr) return;
    BitBlt(dc, kStripRect.left, kStripRect.top, 398, 3, dc_.Get(), offset_, 0, SRCCOPY);
  }

 private:
  HWND window_;
  ProgressWindow& owner_;
  win32::ScopedGdiObject bitmap_;
  win32::ScopedMemoryDc dc_;
  HGDIOBJ defaultBitmap_ = nullptr;
  int offset_ = 800;
};

ProgressWindow::ProgressWindow(HINSTANCE instance, const char* iniPath, RunControl& control)
    : instance_(instance), control_(control) {
  InitializeCriticalSection(&textLock_);
  font_.Reset(CreateFontA(13, 0, 0, 0, 400, 0, 0, 0, 204, 0, 0, 0, 0, "Tahoma"));
  picture_.Reset(LoadBackgroundPicture(instance, iniPath));
  BITMAP info{};
  if (picture_ && GetObjectA(picture_.Get(), sizeof(info), &info)) {
    width_ = info.bmWidth;
    height_ = info.bmHeight;
  }
}

ProgressWindow::~ProgressWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  strip_.reset();
  if (pictureDcDefault_ != nullptr) SelectObject(pictureDc_.Get(), pictureDcDefault_);
  DeleteCriticalSection(&textLock_);
}

bool ProgressWindow::Create() {
  brush_.Reset(CreateSolidBrush(kBackground));
  WNDCLASSA windowClass{};
  // A device context of its own: the strip is drawn two hundred times a
  // second, and a common one would be fetched and released each time.
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = &ProgressWindow::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kIconId));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(brush_.Get());
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);

  RECT frame = {0, 0, width_, height_};
  AdjustWindowRectEx(&frame, WS_POPUP, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  CreateWindowExA(0, kClassName, kCaption, WS_POPUP, x, y, width, height, nullptr, nullptr,
                  instance_, this);
  return window_ != nullptr;
}

int ProgressWindow::Run() {
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  MSG message;
  // Filtered to the window; once it is destroyed the handle is cleared and
  // the next call receives the quit message.
  while (GetMessageA(&message, window_, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

void ProgressWindow::RequestClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<ProgressWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

void CALLBACK ProgressWindow::OnTimer(HWND /*window*/, UINT /*message*/, UINT_PTR id, DWORD) {
  reinterpret_cast<Strip*>(id)->Tick();
}

LRESULT ProgressWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      bar_ = std::make_unique<ProgressBar>(width_, height_, static_cast<HFONT>(font_.Get()),
                                           static_cast<HBRUSH>(brush_.Get()));
      strip_ = std::make_unique<Strip>(instance_, window_, *this);
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_CHAR:
      if (wParam == VK_ESCAPE) AskToAbort();
      return 0;
    case WM_USER:
      if (wParam != 0) SetText(reinterpret_cast<const char*>(wParam));
      return 0;
    case WM_DESTROY:
      strip_.reset();
      PostQuitMessage(0);
      SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      return 0;
    default:
      return DefWindowProcA(window_, message, wParam, lParam);
  }
}

void ProgressWindow::AskToAbort() {
  // The worker waits at its next safe point while the question is open.
  control_.Pause();
  if (bar_) bar_->Hold(GetTickCount());
  if (MessageBoxA(window_, "Прервать синхронизацию?", kCaption, MB_YESNO) == IDYES) {
    control_.Stop();
    DestroyWindow(window_);
    return;
  }
  if (bar_) bar_->Release(GetTickCount());
  control_.Resume();
}

void ProgressWindow::SetText(const char* text) {
  EnterCriticalSection(&textLock_);
  textLength_ = static_cast<int>(std::min<std::size_t>(std::strlen(text), sizeof(text_) - 1));
  std::memcpy(text_, text, static_cast<std::size_t>(textLength_));
  text_[textLength_] = '\0';
  textChanged_ = true;
  LeaveCriticalSection(&textLock_);
  // Drawn by the next animation tick (every 5 ms), straight onto the
  // window: the worker's send returns at once instead of waiting for a
  // paint, and texts that come faster than a tick cost one drawing.
}

void ProgressWindow::Animate() {
  char waiting[sizeof(text_)];
  if (TakeProgressText(waiting, sizeof(waiting))) SetText(waiting);
  HDC dc = GetDC(window_);
  EnterCriticalSection(&textLock_);
  if (textChanged_ && staticDrawn_) {
    textChanged_ = false;
    PaintStatusText(dc);
  }
  LeaveCriticalSection(&textLock_);
  strip_->Draw(dc);
  if (staticDrawn_) bar_->Tick(dc, pictureDc_.Get(), GetTickCount());
  ReleaseDC(window_, dc);
}

// The status text over what lies under it. Called under the text lock.
void ProgressWindow::PaintStatusText(HDC dc) {
  if (pictureDc_) {
    BitBlt(dc, kTextRect.left, kTextRect.top, kTextRect.right - kTextRect.left,
           kTextRect.bottom - kTextRect.top, pictureDc_.Get(), kTextRect.left, kTextRect.top, SRCCOPY);
  } else {
    RECT background = {30, 27, width_, 43};
    FillRect(dc, &background, static_cast<HBRUSH>(brush_.Get()));
  }
  if (textLength_ == 0) return;
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, font_.Get());
  TextOutA(dc, 31, 28, text_, textLength_);
  SelectObject(dc, oldFont);
}

void ProgressWindow::DrawStaticLayer(HDC dc) {
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, font_.Get());
  const char kNotice[] = "Идет обновление клиента. Esc - прервать.";
  TextOutA(dc, 31, 130, kCaption, static_cast<int>(std::strlen(kCaption)));
  TextOutA(dc, 31, 142, kVersionText, static_cast<int>(sizeof(kVersionText) - 1));
  TextOutA(dc, 31, height_ - 40, kNotice, static_cast<int>(sizeof(kNotice) - 1));
  SelectObject(dc, oldFont);
}

void ProgressWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  if (!staticDrawn_) {
    staticDrawn_ = true;
    if (picture_) {
      pictureDc_.Reset(CreateCompatibleDC(dc));
      pictureDcDefault_ = SelectObject(pictureDc_.Get(), picture_.Get());
      DrawStaticLayer(pictureDc_.Get());
    } else {
      DrawStaticLayer(dc);
    }
    InvalidateRect(window_, nullptr, FALSE);
  }
  // Only the part being repainted is copied: the strip alone is redrawn
  // two hundred times a second.
  const RECT& area = paint.rcPaint;
  if (pictureDc_) {
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
           pictureDc_.Get(), area.left, area.top, SRCCOPY);
  }
  EnterCriticalSection(&textLock_);
  RECT overlap;
  if (IntersectRect(&overlap, &area, &kTextRect)) {
    textChanged_ = false;
    PaintStatusText(dc);
  }
  LeaveCriticalSection(&textLock_);
  if (strip_) strip_->Draw(dc);
  if (bar_) bar_->Paint(dc, pictureDc_.Get(), area);
  EndPaint(window_, &paint);
}
