#include "win32/message_box.h"

int ShowProgramBox(const char* text, unsigned type) {
  return MessageBoxA(nullptr, text, kProgramCaption, type);
}

int ShowWorkerBox(HWND window, const char* text, unsigned buttons) {
  return MessageBoxA(window, text, kWorkerCaption, buttons | MB_ICONWARNING);
}
