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

void WriteIni(const std::string& path, const std::string& text) {
  WriteFileBytes(path, WithCrLf(text));
}

}  // namespace e2e
