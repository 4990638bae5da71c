#include "ui/progress_text.h"

#include <windows.h>

void SendProgressText(HWND__* window, const char* text) {
  if (window == nullptr) return;
  SendMessageA(window, WM_USER, reinterpret_cast<WPARAM>(text), 0);
}
