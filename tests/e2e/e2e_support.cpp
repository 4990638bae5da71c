#include "tests/e2e/e2e_support.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace e2e {

using namespace testing_support;

VelkarinRun RunVelkarin(const std::string& arguments, const std::string& workingDir,
                        const std::vector<ExpectedBox>& boxes) {
  VelkarinRun run;
  std::string commandLine = "\"" + ExeDir() + "\\velkarin.exe\"";
  if (!arguments.empty()) commandLine += " " + arguments;

  PROCESS_INFORMATION process{};
  if (!StartProcess(commandLine, workingDir, process)) {
    ADD_FAILURE() << "cannot start velkarin.exe, error " << GetLastError();
    return run;
  }
  run.processId = process.dwProcessId;
  win32::ScopedKernelHandle processHandle(process.hProcess);
  win32::ScopedKernelHandle threadHandle(process.hThread);

  for (const ExpectedBox& box : boxes) {
    BoxAnswerer answerer(box.caption, box.button, 15000);
    if (box.pressEscapeFirst) {
      RunProcess("\"" + ExeDir() + "\\answer_box.exe\" --escape velkarin.v2 15000", "", 20000);
    }
    run.boxes.push_back(answerer.Finish());
  }
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
    run.exited = true;
    GetExitCodeProcess(process.hProcess, &run.exitCode);
  } else {
    // Still running: most likely waiting on a box nobody expected.
    TerminateProcess(process.hProcess, 255);
    WaitForSingleObject(process.hProcess, 5000);
  }
  return run;
}

std::string QuietMainSection(const std::string& source, const std::string& target) {
  CreateDirectoryA(source.c_str(), nullptr);
  return "[Основные параметры]\nКаталогИсточник=" + source + "\nКаталогПриемник=" + target +
         "\nВыполнить=\nПроверятьЗапущеноЛиУже=\n";
}

std::string TemplateBytes() {
  const std::optional<std::string> bytes = ReadFileBytes(VELKARIN_TEMPLATE_PATH);
  EXPECT_TRUE(bytes.has_value()) << VELKARIN_TEMPLATE_PATH;
  return bytes.value_or(std::string());
}

std::string UpToReasonCode(const std::string& line) {
  std::size_t end = line.size();
  while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
  if (end == 0 || line[end - 1] != ')') return line;
  // The reason follows a closing quote; the message may hold anything.
  for (std::size_t open = line.find("\" ("); open != std::string::npos; open = line.find("\" (", open + 1)) {
    std::size_t at = open + 3;
    const std::size_t digits = at;
    while (at < end && line[at] >= '0' && line[at] <= '9') ++at;
    if (at == digits || line.compare(at, 2, ": ") != 0) continue;
    const std::size_t message = at + 2;
    if (message >= end - 1 || line.find_first_of("\r\n", message) < end) return line;
    return line.substr(0, message);
  }
  return line;
}

void WriteIni(const std::string& path, const std::string& text) {
  WriteFileBytes(path, WithCrLf(text));
}

}  // namespace e2e
