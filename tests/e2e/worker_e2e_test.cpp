// The worker's side of a run: the running check, the questions after a run,
// the command, and aborting with Escape.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "tests/e2e/e2e_support.h"

using namespace e2e;
using namespace testing_support;

namespace {

using Tree = std::map<std::string, std::string>;
const char kWorkerCaption[] = "Синхронизация";

class Worker : public ::testing::Test {
 protected:
  TempDir dir{"worker"};
  std::string source = dir / "Источник";
  std::string target = dir / "Приемник";

  void SetUp() override {
    MakeTree(source, {"a.txt", "Модули\\", "Модули\\m.dll"});
    // The client program itself comes from the share like any other file.
    WriteFileBytes(source + "\\kadu.exe", *ReadFileBytes(ExeDir() + "\\fake_client.exe"));
  }

  VelkarinRun Run(const std::string& keys, const std::vector<ExpectedBox>& boxes = {}) {
    WriteIni(dir / "velkarin.ini", "[Основные параметры]\nКаталогИсточник=" + source +
                                       "\nКаталогПриемник=" + target +
                                       "\nВыводитьСтатистикуСинхронизации=да\n" + keys);
    VelkarinRun run = RunVelkarin("", dir.Path(), boxes);
    EXPECT_TRUE(run.exited) << "velkarin.exe did not end by itself";
    return run;
  }
  std::string Log(const char* name) { return ReadFileBytes(target + "\\" + name).value_or(""); }
  // What the started client recorded. The command is not waited for, so
  // its marker may come a moment after the run: it is awaited a while.
  std::string Started() {
    const std::string marker = target + "\\started.txt";
    for (int i = 0; i < 100 && !Exists(marker); ++i) Sleep(20);
    Sleep(50);
    return ReadFileBytes(marker).value_or("<not started>");
  }
  bool Synchronised() { return Exists(target + "\\Модули\\m.dll"); }
  // Starts the target's kadu.exe, which runs until ReleaseClient.
  bool StartClient(PROCESS_INFORMATION& client) {
    if (!StartProcess("\"" + target + "\\kadu.exe\" --wait " + (dir / "release"), target, client)) return false;
    for (int i = 0; i < 500 && !Exists(dir / "release.running"); ++i) Sleep(20);
    return Exists(dir / "release.running");
  }
  void ReleaseClient(PROCESS_INFORMATION& client) {
    WriteFileBytes(dir / "release", "");
    WaitForSingleObject(client.hProcess, 10000);
    CloseHandle(client.hThread);
    CloseHandle(client.hProcess);
    DeleteFileA((dir / "release").c_str());
    DeleteFileA((dir / "release.running").c_str());
  }
  // A line of the statistics log, CR LF included.
  std::string LaunchLine(const std::string& command, const std::string& directory) {
    return "Выполнение команды \"" + command + "\" рабочий каталог \"" + directory + "\"\r\n";
  }
};

void ExpectWorkerBox(const BoxReport& box, const std::string& text, const char* buttons) {
  ASSERT_TRUE(box.shown) << text;
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.icon, "warning");
  EXPECT_EQ(box.buttons, buttons);
}

}  // namespace

TEST_F(Worker, CleanRunStartsTheCommandWithoutAQuestion) {
  Run("КоманднаяСтрока=\"-a Б\"\n");
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
  for (const char* answer : {"no", "yes"}) {
    PROCESS_INFORMATION client{};
    ASSERT_TRUE(StartClient(client)) << "the client did not start";
    // The check compares Latin letters without case.
    const VelkarinRun run = Run("ПроверятьЗапущеноЛиУже=KADU.exe\n", {{kWorkerCaption, answer}});
    ReleaseClient(client);

    ExpectWorkerBox(run.boxes[0], question, "yes,no");
    EXPECT_EQ(Log("velkarin.err"), "Ошибка: приложение уже запущено, синхронизация невозможна\r\n");
    EXPECT_FALSE(Synchronised()) << answer;
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
  for (const Case& c : cases) {
    PROCESS_INFORMATION client{};
    ASSERT_TRUE(StartClient(client)) << "the client did not start";
    WriteIni(dir / "velkarin.ini", "[Основные параметры]\nКаталогИсточник=" + source +
                                       "\nКаталогПриемник=" + c.target +
                                       "\nВыводитьСтатистикуСинхронизации=да\nПроверятьЗапущеноЛиУже=" +
                                       c.checkName + "\n");
    const VelkarinRun run = RunVelkarin("", dir.Path(), {{kWorkerCaption, "no"}});
    EXPECT_TRUE(run.exited) << "velkarin.exe did not end by itself";
    ReleaseClient(client);

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
    FileHolder holder(target + "\\a.txt");  // the update of a.txt fails
    ASSERT_TRUE(holder.Holding());
    const VelkarinRun run = Run(c.keys, {c.box});
    if (c.box.button == "ok") {
      ExpectWorkerBox(run.boxes[0], "В процессе синхронизации возникли ошибки.\nПрограмма будет закрыта.", "ok");
    } else {
      ExpectWorkerBox(run.boxes[0], question, "yes,no");
    }
    EXPECT_TRUE(Synchronised()) << "the rest of the run went on";
    EXPECT_EQ(Started() != "<not started>", c.started) << c.keys << c.box.button;
  }
}

TEST_F(Worker, EmptyCheckNameIsNeverRunningAndNamesTheTarget) {
  MakeTree(target, {"a.txt"});
  SetWriteTime(target + "\\a.txt", 1);
  FileHolder holder(target + "\\a.txt");
  ASSERT_TRUE(holder.Holding());
  const VelkarinRun run = Run("ПроверятьЗапущеноЛиУже=\n", {{kWorkerCaption, "no"}});
  ExpectWorkerBox(run.boxes[0],
                  "В процессе синхронизации возникли ошибки\nпопытаться выполнить\n\"" + target + "\\\"?",
                  "yes,no");
}

TEST_F(Worker, CommandVariantsAndTheirLogLines) {
  // A full path: started as it is, the logged working directory is empty.
  Run("Выполнить=" + target + "\\kadu.exe\n");
  EXPECT_EQ(Started().substr(0, 2), dir.Path().substr(0, 2)) << "started";
  const std::string out = Log("velkarin.out");
  const std::string full = LaunchLine(target + "\\kadu.exe", "");
  EXPECT_EQ(out.substr(out.size() - full.size()), full);

  // A missing program: one error line with the platform's code.
  Run("Выполнить=нет-такого.exe\n", {});
  EXPECT_EQ(Log("velkarin.err"),
            "Ошибка 2 выполнения команды \"нет-такого.exe\" рабочий каталог \"" + target + "\\\"\r\n");

  // No command at all: no call and no line.
  DeleteFileA((target + "\\started.txt").c_str());
  Run("Выполнить=\n");
  EXPECT_EQ(Log("velkarin.out").find("Выполнение команды"), std::string::npos);
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
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
  // Enough files that the run is still going when Escape arrives on a busy
  // machine, where starting the process that types it takes a while.
  std::vector<std::string> many;
  for (int d = 0; d < 10; ++d) {
    many.push_back("d" + std::to_string(d) + "\\");
    for (int f = 0; f < 100; ++f) many.push_back("d" + std::to_string(d) + "\\f" + std::to_string(f));
  }
  MakeTree(source, many);
  const VelkarinRun run =
      Run("", {{"Синхронизация файлов и каталогов", "no", /*pressEscapeFirst=*/true}});
  ASSERT_TRUE(run.boxes[0].shown) << "the abort question";
  EXPECT_EQ(run.boxes[0].text, "Прервать синхронизацию?");
  EXPECT_EQ(run.boxes[0].buttons, "yes,no");
  EXPECT_TRUE(Synchronised());
  EXPECT_EQ(Started(), target + "\r\n");
}

TEST_F(Worker, EscapeAnsweredYesStopsBetweenFilesAndStartsNothing) {
  // Enough files that the run is still copying when Escape arrives.
  std::vector<std::string> many;
  for (int d = 0; d < 30; ++d) {
    many.push_back("d" + std::to_string(d) + "\\");
    for (int f = 0; f < 100; ++f)
      many.push_back("d" + std::to_string(d) + "\\f" + std::to_string(f));
  }
  MakeTree(source, many);
  const DWORD start = GetTickCount();
  const VelkarinRun run = Run("", {{"Синхронизация файлов и каталогов", "yes", true}});
  const DWORD elapsed = GetTickCount() - start;
  ASSERT_TRUE(run.boxes[0].shown);
  EXPECT_LT(elapsed, 20000u);
  EXPECT_EQ(Started(), "<not started>");
  // Whatever was copied is whole; the run did not finish.
  const Tree copied = ReadTree(target);
  const Tree original = ReadTree(source);
  std::size_t files = 0;
  for (const auto& [path, content] : copied) {
    if (path == "velkarin.out" || path.back() == '\\') continue;
    ++files;
    EXPECT_EQ(content, original.at(path)) << path;
  }
  EXPECT_LT(files, original.size() - 31) << "stopped before the end";
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
  // The logs were closed: the statistics log can be removed.
  EXPECT_TRUE(DeleteFileA((target + "\\velkarin.out").c_str()));
}

TEST_F(Worker, WindowShowsThePictureAndTheChangingStatusText) {
  std::vector<std::string> many;
  for (int d = 0; d < 20; ++d) {
    many.push_back("d" + std::to_string(d) + "\\");
    for (int f = 0; f < 100; ++f) many.push_back("d" + std::to_string(d) + "\\f" + std::to_string(f));
  }
  MakeTree(source, many);
  // The client's picture (bitmap 101 of kadu.exe in the source) has a gold
  // bar at x 300-307; the status text is white on it at (31, 28).
  std::atomic<bool> done{false};
  std::vector<std::vector<COLORREF>> textShots;
  bool goldFound = false;
  std::thread watcher([&] {
    while (!done) {
      HWND window = FindWindowA("velkarin.v2", nullptr);
      RECT rect;
      if (window == nullptr || !IsWindowVisible(window) || !GetWindowRect(window, &rect)) {
        Sleep(10);
        continue;
      }
      HDC screen = GetDC(nullptr);
      goldFound = goldFound || GetPixel(screen, rect.left + 303, rect.top + 100) == RGB(234, 203, 104) ||
                  (GetRValue(GetPixel(screen, rect.left + 303, rect.top + 100)) > 180 &&
                   GetBValue(GetPixel(screen, rect.left + 303, rect.top + 100)) < 140);
      std::vector<COLORREF> shot;
      for (int y = 28; y < 41; ++y)
        for (int x = 31; x < 260; ++x) shot.push_back(GetPixel(screen, rect.left + x, rect.top + y));
      ReleaseDC(nullptr, screen);
      textShots.push_back(std::move(shot));
      Sleep(40);
    }
  });
  Run("Выполнить=\n");
  done = true;
  watcher.join();
  EXPECT_TRUE(goldFound) << "the client's picture was not seen";
  std::size_t withText = 0, distinct = 0;
  for (std::size_t i = 0; i < textShots.size(); ++i) {
    bool white = false;
    for (COLORREF c : textShots[i]) white = white || (GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200);
    withText += white;
    if (i > 0 && white && textShots[i] != textShots[i - 1]) ++distinct;
  }
  EXPECT_GT(withText, 2u) << textShots.size() << " captures";
  EXPECT_GT(distinct, 1u) << "the status text should change as files are copied";
}
