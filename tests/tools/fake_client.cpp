// fake_client: the client program that tests and the demo roll out and
// start. It records how it was started in "started.txt" beside itself
// (working directory, then the command line), and with "--wait <flag>" stays
// running until <flag> exists (creating "<flag>.running" once it is up), so
// that the running check can find it.
// Its bitmap 101 is the splash picture, as a real client's would be.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  char exe[MAX_PATH * 2];
  const DWORD length = GetModuleFileNameA(nullptr, exe, sizeof(exe));
  std::string marker(exe, length);
  marker = marker.substr(0, marker.find_last_of('\\')) + "\\started.txt";
  char cwd[MAX_PATH * 2] = "";
  GetCurrentDirectoryA(sizeof(cwd), cwd);

  const char* wait = std::strstr(commandLine, "--wait ");
  if (wait == nullptr) {
    // Written aside and renamed into place: a test that sees the marker
    // sees all of it, with no pause to let the write finish.
    const std::string partial = marker + ".partial";
    if (std::FILE* file = std::fopen(partial.c_str(), "wb")) {
      std::fprintf(file, "%s\r\n%s", cwd, commandLine);
      std::fclose(file);
      MoveFileExA(partial.c_str(), marker.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    return 0;
  }
  const std::string flag = wait + 7;
  // Tell the test that the process is up and its modules can be listed.
  if (std::FILE* running = std::fopen((flag + ".running").c_str(), "wb")) std::fclose(running);
  const DWORD start = GetTickCount();
  while (GetFileAttributesA(flag.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 60000)
    Sleep(20);
  return 0;
}
