#include "win32/message_box.h"

#include <windows.h>

int ShowProgramBox(const char* text, unsigned type) {
  return MessageBoxA(nullptr, text, kProgramCaption, type);
}
