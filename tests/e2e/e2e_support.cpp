#include "tests/e2e/e2e_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>

namespace e2e {

using namespace testing_support;

RunningVelkarin::RunningVelkarin(const std::string& arguments, const std::string& workingDir,
                                 const std::string& standardErrorFile) {
  std::string commandLine = "\"" + ExeDir() + "\\velkarin.exe\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  win32::ScopedFile errors;
  if (!standardErrorFile.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    errors.Reset(CreateFileA(standardErrorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  PROCESS_INFORMATION process{};
  if (!StartProcess(commandLine, workingDir, process, errors.Valid() ? errors.Get() : nullptr)) {
    ADD_FAILURE() << "cannot start velkarin.exe, error " << GetLastError();
    return;
  }
  process_.Reset(process.hProcess);
  thread_.Reset(process.hThread);
  id_ = process.dwProcessId;
}

RunningVelkarin::~RunningVelkarin() {
  if (Running()) Kill();
}

bool RunningVelkarin::Running() const {
  return Started() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

bool RunningVelkarin::WaitForExit(unsigned long timeoutMs) {
  if (!Started() || WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  exitCode_ = code;
  return true;
}

void RunningVelkarin::Kill() {
  if (!Started()) return;
  TerminateProcess(process_.Get(), 255);
  WaitForSingleObject(process_.Get(), 10000);
}

VelkarinRun RunVelkarin(const std::string& arguments, const std::string& workingDir,
                        const std::vector<ExpectedBox>& boxes) {
  VelkarinRun run;
  RunningVelkarin program(arguments, workingDir);
  if (!program.Started()) return run;
  run.processId = program.Id();

  if (!boxes.empty()) {
    // One answerer for them all, each box answered once the one before is
    // gone.
    std::vector<std::pair<std::string, std::string>> answers;
    for (const ExpectedBox& box : boxes) {
      answers.emplace_back(box.caption, box.button);
      if (box.pressEscapeFirst && &box != &boxes[0]) ADD_FAILURE() << "Escape is typed before the first box only";
    }
    BoxAnswerer answerer(answers, 15000);
    if (boxes[0].pressEscapeFirst) {
      if (HWND window = WaitForProgressWindow(program, 15000)) PressEscape(window);
    }
    run.boxes = answerer.FinishAll();
  }
  // Still running after that: most likely waiting on a box nobody
  // expected; the program is killed as it goes.
  run.exited = program.WaitForExit(30000);
  run.exitCode = program.ExitCode();
  return run;
}

std::string MainSection(const std::string& source, const std::string& target) {
  return "[Основные параметры]\nКаталогИсточник=" + source + "\nКаталогПриемник=" + target + "\n";
}

std::string QuietMainSection(const std::string& source, const std::string& target) {
  CreateDirectoryA(source.c_str(), nullptr);
  return MainSection(source, target) + "Выполнить=\nПроверятьЗапущеноЛиУже=\n";
}

namespace {

using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool IsSectionHeader(const std::string& line) { return !line.empty() && line[0] == '['; }

std::string KeyOf(const std::string& line) { return line.substr(0, line.find('=')); }

// The sections of ini lines, in order; lines before the first header go
// with an unnamed one.
struct Section {
  std::string header;  // "[name]", or empty
  Lines lines;
};

std::vector<Section> SectionsOf(const Lines& lines) {
  std::vector<Section> sections(1);
  for (const std::string& line : lines) {
    if (IsSectionHeader(line)) {
      sections.push_back({line, {}});
    } else {
      sections.back().lines.push_back(line);
    }
  }
  return sections;
}

}  // namespace

std::string IniWith(const std::string& base, const std::string& keys, const std::string& sections) {
  std::vector<Section> result = SectionsOf(SplitLines(base));
  const std::string mainHeader = "[Основные параметры]";
  Section* main = nullptr;
  for (Section& section : result) {
    if (section.header == mainHeader) main = &section;
  }
  if (main == nullptr) {
    result.push_back({mainHeader, {}});
    main = &result.back();
  }
  for (const std::string& key : SplitLines(keys)) {
    if (key.empty()) continue;
    bool replaced = false;
    for (std::string& line : main->lines) {
      if (line.find('=') != std::string::npos && KeyOf(line) == KeyOf(key)) {
        line = key;
        replaced = true;
        break;
      }
    }
    if (!replaced) main->lines.push_back(key);
  }
  for (Section& added : SectionsOf(SplitLines(sections))) {
    if (added.header.empty()) continue;
    bool replaced = false;
    for (Section& section : result) {
      if (section.header == added.header) {
        section.lines = added.lines;
        replaced = true;
      }
    }
    if (!replaced) result.push_back(added);
  }
  std::string text;
  for (const Section& section : result) {
    if (!section.header.empty()) text += section.header + "\n";
    for (const std::string& line : section.lines) text += line + "\n";
  }
  return text;
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

std::vector<std::string> OutLines(const std::string& log) {
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(log)) lines.push_back(line.substr(0, line.size() - 1));
  return lines;
}

std::vector<std::string> MakeGeneratedTree(const std::string& root, int directories, int filesEach, bool empty) {
  std::vector<std::string> items;
  MakeTree(root, {});
  for (int d = 0; d < directories; ++d) {
    const std::string directory = "d" + std::to_string(d) + "\\";
    items.push_back(directory);
    CreateDirectoryA((root + "\\" + directory).c_str(), nullptr);
  }
  for (int d = 0; d < directories; ++d) {
    for (int f = 0; f < filesEach; ++f) {
      const std::string file = "d" + std::to_string(d) + "\\f" + std::to_string(d) + "-" + std::to_string(f);
      items.push_back(file);
      WriteFileBytes(root + "\\" + file, empty ? std::string() : file);
    }
  }
  return items;
}

std::size_t FileCount(const std::vector<std::string>& items) {
  std::size_t files = 0;
  for (const std::string& item : items) files += item.empty() || item.back() != '\\';
  return files;
}

namespace {

// Asks `found` every few milliseconds until it gives something, the run
// ends or the ceiling passes.
template <typename Found>
auto WaitWhileRunning(const RunningVelkarin& run, unsigned long ceilingMs, Found found) -> decltype(found()) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    if (auto result = found()) return result;
    if (GetTickCount64() - start >= ceilingMs) return {};
    // Wakes at once when the program ends.
    if (!run.Started() || WaitForSingleObject(run.Handle(), 2) != WAIT_TIMEOUT) return found();
  }
}

}  // namespace

HWND WaitForProgressWindow(const RunningVelkarin& run, unsigned long ceilingMs) {
  return WaitWhileRunning(run, ceilingMs, []() -> HWND {
    HWND window = FindWindowA("velkarin.v2", nullptr);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
  });
}

HWND WaitForBox(const char* caption, const RunningVelkarin& run, unsigned long ceilingMs) {
  return WaitWhileRunning(run, ceilingMs, [caption]() -> HWND {
    HWND box = FindWindowA("#32770", caption);
    return box != nullptr && IsWindowVisible(box) ? box : nullptr;
  });
}

void PressEscape(HWND window) { PostMessageA(window, WM_CHAR, VK_ESCAPE, 1); }

void PressButton(HWND box, int button) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

void MoveAside(HWND box) { SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); }

int CountMatching(const std::string& pattern) {
  int found = 0;
  WIN32_FIND_DATAA data;
  win32::ScopedFind find(FindFirstFileA(pattern.c_str(), &data));
  for (bool more = find.Valid(); more; more = FindNextFileA(find.Get(), &data)) ++found;
  return found;
}

bool WaitForPath(const std::string& pattern, const RunningVelkarin& run, unsigned long ceilingMs) {
  return WaitWhileRunning(run, ceilingMs, [&pattern] { return CountMatching(pattern) > 0; });
}

}  // namespace e2e
