// Runs driven by scripts and schedulers: the unattended switch, the run
// record, the start with the source away, and the exit codes they read.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#include "tests/e2e/worker_fixture.h"
#include "velkarin_version.h"

using namespace e2e;
using namespace testing_support;

namespace {

class Operations : public Worker {
 protected:
  // Runs `arguments` on the ini file with `keys`; no box is answered, so one
  // that appears holds the program until it is killed as not ended.
  VelkarinRun RunWithoutBoxes(const std::string& keys, const std::string& arguments = "/s") {
    WriteRunIni(keys);
    const VelkarinRun run = RunVelkarin(arguments, dir.Path());
    EXPECT_TRUE(run.exited) << arguments << ": did not end (a box?)";
    lastRun_ = run.processId;
    return run;
  }
  // Makes the target's a.txt and Модули\m.dll older than the source's.
  void OutdateTarget() {
    MakeTree(target, {"a.txt", "Модули\\", "Модули\\m.dll"});
    SetWriteTime(target + "\\a.txt", kBaseTime);
    SetWriteTime(target + "\\Модули\\m.dll", kBaseTime);
  }
  static std::string ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(name);
    return GetComputerNameA(name, &size) ? name : "";
  }
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

}  // namespace

TEST_F(Operations, UnattendedShowsNoBoxOnAnyPathAndItsExitCodeSaysWhatHappened) {
  // Synchronised: the client is never started.
  VelkarinRun run = RunWithoutBoxes("");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(Synchronised());
  EXPECT_EQ(Started(), "<not started>");
  EXPECT_EQ(Log("velkarin.out").find("Выполнение команды"), std::string::npos);

  // A copy that fails: the question after errors is not asked.
  SetWriteTime(target + "\\a.txt", kBaseTime);
  {
    FileHolder holder(source + "\\a.txt");
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(RunWithoutBoxes("").exitCode, 1u);
  }
  EXPECT_EQ(Started(), "<not started>");

  // The source is missing.
  EXPECT_EQ(RunWithoutBoxes("КаталогИсточник=" + (dir / "нет") + "\n").exitCode, 2u);
  EXPECT_EQ(Log("velkarin.err"), "Ошибка: каталог источник \"" + (dir / "нет") +
                                     "\\\" не существует, синхронизация невозможна\r\n");

  // The client runs: logged, not asked about.
  {
    WaitingClient client(ClientExe(), dir / "release", target);
    ASSERT_TRUE(client.Running());
    EXPECT_EQ(RunWithoutBoxes("").exitCode, 4u);
    EXPECT_EQ(Log("velkarin.err"), "Ошибка: приложение уже запущено, синхронизация невозможна\r\n");
  }

  // A value the program refuses: the line says why, in the target.
  EXPECT_EQ(RunWithoutBoxes("ОжиданиеЗанятыхФайлов=много\n").exitCode, 2u);
  EXPECT_EQ(Log("velkarin.err"),
            "Ошибка, значение ключа \"ОжиданиеЗанятыхФайлов\" должно быть целым числом от 0 до 60. "
            "Синхронизация невозможна.\r\n");

  // No ini file: no question whether to make one, and what the box would
  // have said goes to the standard error stream.
  RunningVelkarin named("/s нет.ini", dir.Path(), dir / "stderr.txt");
  ASSERT_TRUE(named.WaitForExit(30000)) << "did not end (a box?)";
  EXPECT_EQ(named.ExitCode(), 2u);
  EXPECT_EQ(ReadFileBytes(dir / "stderr.txt").value_or(""),
            "Ошибка при задании имени ini-файла.  Задайте существующий файл.\r\n");
  TempDir empty("noini");
  EXPECT_EQ(RunVelkarin("/s", empty.Path()).exitCode, 2u);
  EXPECT_FALSE(Exists(empty / "velkarin.ini")) << "generated without being asked";

  // Publishing from a script: the box's text goes to standard error.
  RunningVelkarin publish("/s /p", dir.Path(), dir / "published.txt");
  ASSERT_TRUE(publish.WaitForExit(30000)) << "did not end (a box?)";
  EXPECT_EQ(publish.ExitCode(), 0u);
  EXPECT_TRUE(Exists(source + "\\velkarin.lst"));
  EXPECT_EQ(ReadFileBytes(dir / "published.txt").value_or("").rfind("Список источника опубликован в файле \"", 0), 0u);
}

TEST_F(Operations, AnUnattendedRunOnTheTargetIsWaitedForThenTheClientStarts) {
  // The unattended run waits on two held target files, up to 20 s each.
  OutdateTarget();
  auto holdA = std::make_unique<FileHolder>(target + "\\a.txt");
  auto holdM = std::make_unique<FileHolder>(target + "\\Модули\\m.dll");
  ASSERT_TRUE(holdA->Holding() && holdM->Holding());
  WriteRunIni("ОжиданиеЗанятыхФайлов=60\n");
  RunningVelkarin unattended("/s", dir.Path());
  // The logs are open once the run holds its target.
  ASSERT_TRUE(WaitForPath(target + "\\velkarin.out", unattended)) << "the unattended run ended early";

  // Another unattended run: refused at once.
  const VelkarinRun second = RunVelkarin("/s", dir.Path());
  EXPECT_TRUE(second.exited);
  EXPECT_EQ(second.exitCode, 6u);

  // A start from the shortcut waits in its window; Escape ends the wait.
  {
    RunningVelkarin stopped("", dir.Path());
    HWND window = WaitForProgressWindow(stopped);
    ASSERT_TRUE(window != nullptr) << "no window while waiting";
    PressEscape(window);
    HWND question = WaitForBox(kWindowCaption, stopped);
    ASSERT_TRUE(question != nullptr) << "no abort question";
    PressButton(question, IDYES);
    ASSERT_TRUE(stopped.WaitForExit(30000));
    EXPECT_EQ(stopped.ExitCode(), 3u);
  }

  // Another waits until the unattended run has ended, then starts the client.
  RunningVelkarin waiting("", dir.Path());
  ASSERT_TRUE(WaitForProgressWindow(waiting) != nullptr) << "no window while waiting";
  ASSERT_TRUE(unattended.Running()) << "the unattended run ended before the test let it";
  ASSERT_TRUE(waiting.Running()) << "did not wait for the unattended run";
  EXPECT_FALSE(Exists(target + "\\started.txt"));
  holdA.reset();
  holdM.reset();
  ASSERT_TRUE(unattended.WaitForExit(60000));
  EXPECT_EQ(unattended.ExitCode(), 0u);
  ASSERT_TRUE(waiting.WaitForExit(60000));
  EXPECT_EQ(waiting.ExitCode(), 0u);
  lastRun_ = waiting.Id();
  EXPECT_EQ(Started(), target + "\r\n");
  // The unattended run's logs are its own: nobody else synchronised.
  const std::string out = Log("velkarin.out");
  EXPECT_EQ(out.find("сканирование источника"), out.rfind("сканирование источника"));
  EXPECT_NE(out.find(Copied("a.txt")), std::string::npos);
  EXPECT_EQ(out.find("Выполнение команды"), std::string::npos);
  EXPECT_FALSE(Exists(target + "\\velkarin.err"));
}

TEST_F(Operations, ASourceThatCannotBeReachedStartsTheInstalledClientWhenAsked) {
  Run("");  // installs the client
  ASSERT_TRUE(Synchronised());
  for (const std::string& away : {dir / "нет", std::string("\\\\нет-сервера\\share")}) {
    SCOPED_TRACE(away);
    DeleteFileA((target + "\\started.txt").c_str());
    const VelkarinRun run = RunWithoutBoxes("КаталогИсточник=" + away + "\nЗапускПриНедоступномИсточнике=да\n", "");
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(Started(), target + "\r\n");
    const Lines out = OutLines();
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[out.size() - 2], "источник недоступен, запускается установленный клиент \"" + target + "\\kadu.exe\"");
    EXPECT_EQ(out.back().rfind("Выполнение команды \"kadu.exe\"", 0), 0u);
  }
}

TEST_F(Operations, TheRunRecordGetsOneWholeLineForEveryRunEvenFromRunsAtOnce) {
  const std::string records = dir / "записи";
  ASSERT_TRUE(CreateDirectoryA(records.c_str(), nullptr));
  const std::string recordFile = records + "\\" + ComputerName() + ".log";
  const std::string recordKey = "ЖурналЗапусков=" + records + "\n";
  EXPECT_EQ(Run(recordKey).exitCode, 0u);
  const std::string first = ReadFileBytes(recordFile).value_or("");
  ASSERT_GE(first.size(), 2u);
  EXPECT_EQ(first.find("\r\n"), first.size() - 2) << "one line";
  const std::vector<std::string> fields = Fields(first.substr(0, first.size() - 2));
  ASSERT_EQ(fields.size(), 11u) << first;
  EXPECT_EQ(fields[0].size(), 19u) << "YYYY-MM-DD HH:MM:SS: " << fields[0];
  EXPECT_FALSE(fields[1].empty()) << "the user";
  EXPECT_EQ(fields[2], VELKARIN_VERSION_STRING);
  EXPECT_EQ(fields[3], dir / "velkarin.ini");
  EXPECT_EQ(fields[4], "сканирование");
  EXPECT_EQ(fields[5] + " " + fields[6] + " " + fields[7] + " " + fields[8], "0 3 0 0")
      << "code, copied, deleted, errors";
  EXPECT_NE(fields[9].find('.'), std::string::npos) << "seconds: " << fields[9];
  EXPECT_EQ(fields[10], "") << "no error";

  // Six unattended runs at once on three targets, some finding their target
  // held: each appends one whole line.
  std::vector<std::unique_ptr<RunningVelkarin>> runs;
  for (int i = 0; i < 6; ++i) {
    const std::string ini = "run" + std::to_string(i % 3) + ".ini";
    WriteIni(dir / ini, IniWith(MainSection(source, dir / ("t" + std::to_string(i % 3))) +
                                    "Выполнить=\nПроверятьЗапущеноЛиУже=\n",
                                recordKey));
    runs.push_back(std::make_unique<RunningVelkarin>("/s " + ini, dir.Path()));
  }
  std::map<std::string, int> codes;
  for (auto& run : runs) {
    ASSERT_TRUE(run->WaitForExit(60000));
    ++codes[std::to_string(run->ExitCode())];
  }
  const Lines lines = e2e::OutLines(ReadFileBytes(recordFile).value_or(""));
  ASSERT_EQ(lines.size(), 7u);
  std::map<std::string, int> recorded;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> f = Fields(lines[i]);
    ASSERT_EQ(f.size(), 11u) << lines[i];
    EXPECT_EQ(f[3].substr(0, dir.Path().size() + 4), dir / "run");
    ++recorded[f[5]];
  }
  EXPECT_EQ(recorded, codes) << "each run's exit code, once";

  // A folder that cannot be written: one statistics line, the client starts.
  DeleteFileA((target + "\\started.txt").c_str());
  const VelkarinRun unwritable = Run("ЖурналЗапусков=" + (dir / "velkarin.ini") + "\n");
  EXPECT_EQ(unwritable.exitCode, 0u);
  EXPECT_EQ(Started(), target + "\r\n");
  const Lines out = OutLines();
  const std::string line = "журнал запусков \"" + (dir / "velkarin.ini") + "\\" + ComputerName() +
                           ".log\" не записан: ошибка ";
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back().substr(0, line.size()), line);
}
