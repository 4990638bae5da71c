#pragma once
// The splash window: the client's picture, the step being done, a moving
// strip, and Escape to abort. Lives on the main thread; the worker reaches it
// only through its handle (status texts, boxes it owns, the close request).
#include <windows.h>

#include <memory>
#include <string>

#include "win32/handles.h"

class ProgressBar;
class RunControl;

class ProgressWindow {
 public:
  ProgressWindow(HINSTANCE instance, const char* iniPath, RunControl& control);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Registers the class and creates the (hidden) window; false on failure.
  [[nodiscard]] bool Create();
  // Shows the window and runs its message loop until it is destroyed.
  int Run();
  [[nodiscard]] HWND Handle() const { return window_; }

  // The worker's end: asks the window to close. Does not wait.
  static void RequestClose(HWND window);

  static constexpr const char* kCaption = "Синхронизация файлов и каталогов";
  static constexpr const char* kClassName = "velkarin.v2";

 private:
  class Strip;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void DrawStaticLayer(HDC dc);
  void SetText(const char* text);
  void Animate();
  void PaintStatusText(HDC dc);
  void AskToAbort();

  HINSTANCE instance_;
  RunControl& control_;
  HWND window_ = nullptr;
  win32::ScopedGdiObject brush_;
  win32::ScopedGdiObject font_;
  win32::ScopedGdiObject picture_;
  win32::ScopedMemoryDc pictureDc_;  // the picture with the static layer drawn on it
  HGDIOBJ pictureDcDefault_ = nullptr;
  int width_ = 420;
  int height_ = 400;
  bool staticDrawn_ = false;
  CRITICAL_SECTION textLock_;
  char text_[1024] = {};
  int textLength_ = 0;
  bool textChanged_ = false;
  std::unique_ptr<Strip> strip_;
  std::unique_ptr<ProgressBar> bar_;  // the copy phase's count, time left and bar
};
