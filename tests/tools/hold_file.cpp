// hold_file: opens a file without sharing and keeps it open, as another
// program on the workstation might, until told to let go.
//
//   hold_file.exe <file> <ready-flag> <release-flag> <timeout-ms>
//
// Creates <ready-flag> once the file is held, then waits until
// <release-flag> exists (or the time is up) and closes the file.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 5) return 1;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10));
  const DWORD start = GetTickCount();
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES &&
         GetTickCount() - start < timeoutMs) {
    Sleep(20);
  }
  CloseHandle(file);
  return 0;
}
