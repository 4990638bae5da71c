// The worker's side of a run: the running check, the questions after a run,
// the command, and aborting with Escape.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/e2e/worker_fixture.h"
#include "tests/support/window_capture.h"

using namespace e2e;
using namespace testing_support;

namespace {

void ExpectWorkerBox(const BoxReport& box, const std::string& text, const char* buttons) {
  ASSERT_TRUE(box.shown) << text;
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.icon, "warning");
  EXPECT_EQ(box.buttons, buttons);
}

}  // namespace

TEST_F(Worker, CleanRunStartsTheCommandWithoutAQuestion) {
  EXPECT_EQ(Run("КоманднаяСтрока=\"-a Б\"\n").exitCode, 0u);
  ASSERT_TRUE(Synchronised());
  EXPECT_EQ(Started(), target + "\r\n-a Б") << "working directory: the target";
  const std::string out = Log("velkarin.out");
  EXPECT_EQ(out.substr(out.size() - LaunchLine("kadu.exe", target + "\\").size()),
            LaunchLine("kadu.exe", target + "\\"));
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
}

TEST_F(Worker, ApplicationAlreadyRunningSkipsTheRun) {
  MakeTree(target, {});
  WriteFileBytes(target + "\\kadu.exe", *ReadFileBytes(ExeDir() + "\\fake_client.exe"));
  const std::string question = "Приложение уже запущено, синхронизация невозможна!\nПопытаться выполнить\n\"" +
                               target + "\\KADU.exe\"?";
  // One client running for both answers.
  WaitingClient client(ClientExe(), dir / "release", target);
  ASSERT_TRUE(client.Running()) << "the client did not start";
  for (const char* answer : {"no", "yes"}) {
    // The check compares Latin letters without case.
    const VelkarinRun run = Run("ПроверятьЗапущеноЛиУже=KADU.exe\n", {{kWorkerCaption, answer}});

    ExpectWorkerBox(run.boxes[0], question, "yes,no");
    EXPECT_EQ(Log("velkarin.err"), "Ошибка: приложение уже запущено, синхронизация невозможна\r\n");
    EXPECT_FALSE(Synchronised()) << answer;
    EXPECT_EQ(run.exitCode, 4u) << answer;
    EXPECT_EQ(Started(), std::string(answer) == "yes" ? target + "\r\n" : "<not started>") << answer;
  }
}

TEST_F(Worker, RunningClientIsFoundWhateverFormTheTargetIsWrittenIn) {
  MakeTree(target, {});
  WriteFileBytes(target + "\\kadu.exe", *ReadFileBytes(ExeDir() + "\\fake_client.exe"));
  struct Case {
    std::string target, checkName;  // as written in the ini file
  };
  const Case cases[] = {
      {dir / "x\\..\\Приемник", "kadu.exe"},
      {"Приемник", "kadu.exe"},  // relative to the working directory
      {dir.Path() + "\\\\Приемник", "kadu.exe"},
      {target, "Модули\\..\\kadu.exe"},
      {target, (dir / "Приемник\\.\\kadu.exe")},
  };
  // One client running for all the cases.
  WaitingClient client(ClientExe(), dir / "release", target);
  ASSERT_TRUE(client.Running()) << "the client did not start";
  for (const Case& c : cases) {
    const VelkarinRun run = RunAnswering(
        "КаталогПриемник=" + c.target + "\nПроверятьЗапущеноЛиУже=" + c.checkName + "\n", "",
        {{kWorkerCaption, "no"}});

    ExpectWorkerBox(run.boxes[0],
                    "Приложение уже запущено, синхронизация невозможна!\nПопытаться выполнить\n\"" + target +
                        "\\kadu.exe\"?",
                    "yes,no");
    EXPECT_EQ(Log("velkarin.err"), "Ошибка: приложение уже запущено, синхронизация невозможна\r\n")
        << c.target << " " << c.checkName;
    EXPECT_FALSE(Synchronised()) << c.target << " " << c.checkName;
  }
}

TEST_F(Worker, ErrorsAskBeforeTheCommandOrJustSaySo) {
  MakeTree(target, {"a.txt"});
  SetWriteTime(target + "\\a.txt", 1);
  const std::string question =
      "В процессе синхронизации возникли ошибки\nпопытаться выполнить\n\"" + target + "\\kadu.exe\"?";
  struct Case {
    const char* keys;
    ExpectedBox box;
    bool started;
  };
  const Case cases[] = {
      {"", {kWorkerCaption, "no"}, false},
      {"ВопросПриОшибке=да\n", {kWorkerCaption, "yes"}, true},
      {"ВопросПриОшибке=нет\n", {kWorkerCaption, "ok"}, false},
  };
  for (const Case& c : cases) {
    DeleteFileA((target + "\\started.txt").c_str());
    // The update of a.txt fails at once: its source cannot be read (a
    // held target file would be waited for first).
    FileHolder holder(source + "\\a.txt");
    ASSERT_TRUE(holder.Holding());
    const VelkarinRun run = Run(c.keys, {c.box});
    if (c.box.button == "ok") {
      ExpectWorkerBox(run.boxes[0], "В процессе синхронизации возникли ошибки.\nПрограмма будет закрыта.", "ok");
    } else {
      ExpectWorkerBox(run.boxes[0], question, "yes,no");
    }
    EXPECT_TRUE(Synchronised()) << "the rest of the run went on";
    EXPECT_EQ(run.exitCode, 1u) << "synchronised with errors, the client started or not";
    EXPECT_EQ(Started() != "<not started>", c.started) << c.keys << c.box.button;
  }
}

TEST_F(Worker, EmptyCheckNameIsNeverRunningAndNamesTheTarget) {
  MakeTree(target, {"a.txt"});
  SetWriteTime(target + "\\a.txt", 1);
  FileHolder holder(source + "\\a.txt");  // the update of a.txt fails
  ASSERT_TRUE(holder.Holding());
  const VelkarinRun run = Run("ПроверятьЗапущеноЛиУже=\n", {{kWorkerCaption, "no"}});
  ExpectWorkerBox(run.boxes[0],
                  "В процессе синхронизации возникли ошибки\nпопытаться выполнить\n\"" + target + "\\\"?",
                  "yes,no");
}

TEST_F(Worker, CommandVariantsAndTheirLogLines) {
  // A full path: started as it is, with no working directory of its own,
  // so it runs in the program's (the directory velkarin.exe was started
  // in), and the logged working directory is empty.
  Run("Выполнить=" + target + "\\kadu.exe\n");
  EXPECT_EQ(Started(), dir.Path() + "\r\n") << "working directory, then the (empty) arguments";
  const std::string out = Log("velkarin.out");
  const std::string full = LaunchLine(target + "\\kadu.exe", "");
  EXPECT_EQ(out.substr(out.size() - full.size()), full);

  // No command at all: no call and no line.
  DeleteFileA((target + "\\started.txt").c_str());
  Run("Выполнить=\n");
  EXPECT_EQ(Log("velkarin.out").find("Выполнение команды"), std::string::npos);
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
  EXPECT_EQ(Started(), "<not started>");
}

TEST_F(Worker, CommandThatCannotBeStartedIsLoggedAndToldInABox) {
  // The user is waiting for the client: the box names the command and the
  // system's reason (its message is the system's own, compared up to the code).
  const VelkarinRun run = Run("Выполнить=нет-такого.exe\n", {{kWorkerCaption, "ok"}});
  ASSERT_TRUE(run.boxes[0].shown) << "no box for a command that could not be started";
  const std::string start = "Не удалось выполнить команду\n\"нет-такого.exe\"\nОшибка 2: ";
  EXPECT_EQ(run.boxes[0].text.substr(0, start.size()), start);
  EXPECT_GT(run.boxes[0].text.size(), start.size()) << "the system's message";
  EXPECT_EQ(run.boxes[0].icon, "warning");
  EXPECT_EQ(run.boxes[0].buttons, "ok");
  EXPECT_EQ(run.exitCode, 5u);
  EXPECT_EQ(Log("velkarin.err"),
            "Ошибка 2 выполнения команды \"нет-такого.exe\" рабочий каталог \"" + target + "\\\"\r\n");
  EXPECT_TRUE(Synchronised());
}

TEST_F(Worker, CommandThatCannotBeStartedForWantOfTheShellIsAnError) {
  // The shell library disabled for velkarin.exe alone, through Wine's
  // per-program DLL overrides, which it reads when a program starts.
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr) {
    GTEST_SKIP() << "only Wine lets a test keep a program from loading shell32.dll";
  }
  const char kOverrides[] = "Software\\Wine\\AppDefaults\\velkarin.exe\\DllOverrides";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "shell32", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  RegCloseKey(key);
  const VelkarinRun run = Run("", {{kWorkerCaption, "ok"}});
  RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);

  ASSERT_TRUE(Synchronised());
  // The system's code for a library that cannot be loaded: ERROR_MOD_NOT_FOUND.
  EXPECT_EQ(Log("velkarin.err"),
            "Ошибка 126 выполнения команды \"kadu.exe\" рабочий каталог \"" + target + "\\\"\r\n");
  const std::string box = "Не удалось выполнить команду\n\"kadu.exe\"\nОшибка 126: ";
  EXPECT_EQ(run.boxes[0].text.substr(0, box.size()), box);
  EXPECT_EQ(Log("velkarin.out").find("Выполнение команды"), std::string::npos);
  EXPECT_EQ(Started(), "<not started>");
}

TEST_F(Worker, CommandLongerThanItsFieldStopsEverything) {
  const std::string command = "kadu.exe" + std::string(1016, 'x');
  ASSERT_EQ(command.size(), 1024u);
  const VelkarinRun run = Run("Выполнить=" + command + "\n", {ProgramBox()});
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_EQ(run.boxes[0].text, "Ошибка в файле инициализации");
  EXPECT_EQ(Log("velkarin.err"),
            "Ошибка, значение ключа \"Выполнить\" длиннее 1023 символов. Синхронизация невозможна.\r\n");
  EXPECT_FALSE(Synchronised());
  EXPECT_EQ(Started(), "<not started>");
}

TEST_F(Worker, EscapeAnsweredNoLetsTheRunFinish) {
  // Escape is typed as soon as the window shows, and the run waits at its
  // next file while the question is open: enough files that it is still
  // going by then on a busy machine.
  MakeGeneratedTree(source, 4, 50);
  const VelkarinRun run = Run("", {{kWindowCaption, "no", /*pressEscapeFirst=*/true}});
  ASSERT_TRUE(run.boxes[0].shown) << "the abort question";
  EXPECT_EQ(run.boxes[0].text, "Прервать синхронизацию?");
  EXPECT_EQ(run.boxes[0].buttons, "yes,no");
  EXPECT_TRUE(Synchronised());
  EXPECT_EQ(Started(), target + "\r\n");
}

TEST_F(Worker, EscapeAnsweredYesStopsBetweenFilesAndStartsNothing) {
  MakeGeneratedTree(source, 8, 50);
  WriteRunIni();
  RunningVelkarin program("", dir.Path());
  BoxReport question;
  {
    BoxAnswerer answerer(kWindowCaption, "yes", 15000);
    HWND window = WaitForProgressWindow(program);
    ASSERT_TRUE(window != nullptr) << "no progress window";
    // Escape once the copying has begun (a directory of the generated tree
    // is in the target), so that the stop lands among the files, not in
    // the scan.
    ASSERT_TRUE(WaitForPath(target + "\\d*", program)) << "the run ended before it copied the generated tree";
    PressEscape(window);
    question = answerer.Finish();
  }
  ASSERT_TRUE(program.WaitForExit(30000)) << "velkarin.exe did not end by itself";
  ASSERT_TRUE(question.shown) << "the abort question";
  EXPECT_EQ(program.ExitCode(), 3u) << "stopped by the user";
  lastRun_ = program.Id();
  EXPECT_EQ(Started(), "<not started>");
  // Whatever was copied is whole; the run did not finish.
  const Tree copied = ReadTree(target);
  const Tree original = ReadTree(source);
  std::size_t files = 0, sourceFiles = 0;
  for (const auto& [path, content] : original) sourceFiles += path.back() != '\\';
  for (const auto& [path, content] : copied) {
    if (path == "velkarin.out" || path.back() == '\\') continue;
    ++files;
    EXPECT_EQ(content, original.at(path)) << path;
  }
  EXPECT_LT(files, sourceFiles) << "stopped before the end";
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
  // The statistics log was written to the end and closed after the stop:
  // it ends on a whole line, and it names each copied file exactly once,
  // no file it does not hold and none it left out.
  const std::string out = Log("velkarin.out");
  ASSERT_GE(out.size(), 2u);
  EXPECT_EQ(out.substr(out.size() - 2), "\r\n") << "the last line is cut short";
  std::map<std::string, int> logged;
  std::istringstream lines(out);
  const std::string copyLine = "Копирование файла \"" + source + "\\.\\";
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, copyLine.size(), copyLine) != 0) continue;
    ++logged[line.substr(copyLine.size(), line.find('"', copyLine.size()) - copyLine.size())];
  }
  std::map<std::string, int> present;
  for (const auto& [path, content] : copied) {
    if (path != "velkarin.out" && path.back() != '\\') present[path] = 1;
  }
  EXPECT_EQ(logged, present) << "copy lines against the files in the target";
}

namespace {

// The strip along the window's picture, which moves on its own.
bool InStrip(int x, int y) { return x >= 12 && x < 410 && y >= 44 && y < 47; }

}  // namespace

TEST_F(Worker, WindowShowsThePictureAndTheChangingStatusText) {
  MakeGeneratedTree(source, 8, 40);
  WriteRunIni("Выполнить=\n");
  RunningVelkarin program("", dir.Path());
  HWND window = WaitForProgressWindow(program);
  ASSERT_TRUE(window != nullptr) << "no progress window";
  // The client's picture (bitmap 101 of kadu.exe in the source) has a gold
  // bar at x 300-307; the status text is white on it at (31, 28). The run
  // is held by the abort question at three points of its copy phase, as
  // the first, the third and the fourth directory of the generated tree
  // are reached, and the window read once it has painted.
  std::vector<std::vector<std::uint32_t>> textShots;
  bool goldFound = false;
  for (int reached : {1, 3, 4}) {
    SCOPED_TRACE("directories reached: " + std::to_string(reached));
    ASSERT_TRUE(WaitUntil([&] { return CountMatching(target + "\\d*") >= reached || !program.Running(); }, 60000));
    ASSERT_TRUE(program.Running()) << "the run ended before its copy phase could be held";
    PressEscape(window);
    HWND question = WaitForBox(kWindowCaption, program);
    ASSERT_TRUE(question != nullptr) << "the abort question did not come";
    MoveAside(question);
    WindowPixels shot;
    const bool captured = CaptureSettled(window, shot, InStrip, [](const WindowPixels& seen) {
      return seen.width > 303 && seen.height > 100;
    });
    PressButton(question, IDNO);
    ASSERT_TRUE(captured) << "the window could not be read";
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }, 20000)) << "the question stayed";
    const std::uint32_t gold = shot.At(303, 100);  // 0xRRGGBB
    goldFound = goldFound || (((gold >> 16) & 0xFF) > 180 && (gold & 0xFF) < 140);
    std::vector<std::uint32_t> text;
    for (int y = 28; y < 41; ++y)
      for (int x = 31; x < 260; ++x) text.push_back(shot.At(x, y));
    textShots.push_back(std::move(text));
  }
  ASSERT_TRUE(program.WaitForExit(30000)) << "velkarin.exe did not end by itself";
  EXPECT_TRUE(goldFound) << "the client's picture was not seen";
  std::size_t withText = 0, distinct = 0;
  for (std::size_t i = 0; i < textShots.size(); ++i) {
    bool white = false;
    for (std::uint32_t c : textShots[i]) white = white || ((c >> 16) > 200 && ((c >> 8) & 0xFF) > 200 && (c & 0xFF) > 200);
    withText += white;
    if (i > 0 && white && textShots[i] != textShots[i - 1]) ++distinct;
  }
  EXPECT_GT(withText, 2u) << textShots.size() << " captures";
  EXPECT_GT(distinct, 1u) << "the status text should change as files are copied";
}
