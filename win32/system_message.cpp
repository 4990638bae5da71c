#include "win32/system_message.h"

#include <windows.h>

#include "log/system_reason.h"

std::string SystemMessage(std::uint32_t code) {
  char* buffer = nullptr;
  // Language 0: the system's own order (the thread's, the user's, the
  // system's language, then English), as the system's boxes choose it.
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<char*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return std::string();
  std::string text(buffer, length);
  LocalFree(buffer);
  return TrimSystemMessage(text);
}
