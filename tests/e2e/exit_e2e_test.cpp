// Ending the program when its worker cannot stop: the user aborts while the
// worker is stuck writing a log line to a target that no longer takes data.
// The program must still end by itself soon after its bounded wait.
//
// The stuck write is real: the statistics log in the target is a Unix FIFO
// whose only reader never reads. Once the pipe's buffer is full, the
// worker's next log line blocks inside the C runtime's flush, with the
// stream's lock held, until the process ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/entry.h"
#include "tests/e2e/e2e_support.h"

using namespace e2e;
using namespace testing_support;

namespace {

bool WaitForPath(const std::string& path, bool present, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
    if (Exists(path) == present) return true;
  }
  return Exists(path) == present;
}

// A FIFO at `path` held open by a Unix shell that never reads it. The shell
// opens it for reading and writing, so that its open returns at once: a
// plain open for reading would wait for a writer. Ended and the FIFO
// removed at scope exit (from the Unix side: opening it through Wine to
// delete it could wait for a writer inside Wine's server).
class StalledFifo {
 public:
  StalledFifo(const std::string& path, const TempDir& dir)
      : ready_(dir / "fifo.ready"), release_(dir / "fifo.release"), gone_(dir / "fifo.gone") {
    const std::string fifo = UnixPath(path);
    const std::string unixDir = UnixPath(dir.Path());
    if (fifo.empty() || unixDir.empty()) return;
    // The shell would otherwise keep the test's own output open after it.
    WriteFileBytes(dir / "hold_fifo.sh",
                   "exec </dev/null >/dev/null 2>&1\n"
                   "mkfifo '" + fifo + "' || exit 1\n"
                   "exec 3<>'" + fifo + "'\n"
                   ": > '" + unixDir + "/fifo.ready'\n"
                   "i=0\n"
                   "while [ ! -e '" + unixDir + "/fifo.release' ] && [ $i -lt 1200 ]; do\n"
                   "  sleep 0.1; i=$((i+1))\n"
                   "done\n"
                   "exec 3>&-\n"
                   "rm -f '" + fifo + "'\n"
                   ": > '" + unixDir + "/fifo.gone'\n");
    // Wine hands back no handle to wait on: flag files say when the FIFO
    // is ready and when the shell has removed it and is gone.
    if (!StartUnixProgram("Z:\\bin\\sh", "Z:\\bin\\sh \"" + unixDir + "/hold_fifo.sh\"")) return;
    started_ = WaitForPath(ready_, true, 10000);
  }
  ~StalledFifo() {
    if (!started_) return;
    WriteFileBytes(release_, "");
    EXPECT_TRUE(WaitForPath(gone_, true, 10000)) << "the FIFO was not removed";
  }
  bool Ready() const { return started_; }

 private:
  std::string ready_;
  std::string release_;
  std::string gone_;
  bool started_ = false;
};

std::size_t CountFiles(const std::string& directory) {
  std::size_t files = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    // Listing only: opening the FIFO here could block.
    files += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? CountFiles(directory + "\\" + name) : 1;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return files;
}

// Waits until the copy stops advancing for a second: the worker is stuck.
bool WaitForStall(const std::string& target, HANDLE process, DWORD timeoutMs) {
  std::size_t last = 0;
  DWORD steadySince = GetTickCount();
  for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;) {
    if (WaitForSingleObject(process, 200) == WAIT_OBJECT_0) return false;
    const std::size_t now = CountFiles(target);
    if (now != last) {
      last = now;
      steadySince = GetTickCount();
    } else if (now > 1 && GetTickCount() - steadySince >= 1000) {
      return true;
    }
  }
  return false;
}

}  // namespace

TEST(Exit, AbortEndsTheProgramWhileTheWorkerIsStuckInALogWrite) {
  TempDir dir("exit");
  const std::string source = dir / "source";
  const std::string target = dir / "target";
  // Far more statistics lines than a pipe holds (64 KiB): about 150 bytes each.
  std::vector<std::string> items;
  for (int d = 0; d < 20; ++d) {
    items.push_back("d" + std::to_string(d) + "\\");
    for (int f = 0; f < 100; ++f) items.push_back("d" + std::to_string(d) + "\\file-" + std::to_string(f) + ".dat");
  }
  MakeTree(source, items);
  MakeTree(target, {});
  if (UnixPath(target).empty()) GTEST_SKIP() << "needs Wine: the stuck log write is made with a Unix FIFO";
  StalledFifo fifo(target + "\\velkarin.out", dir);
  if (!fifo.Ready()) GTEST_SKIP() << "could not make a FIFO with a silent reader through /bin/sh";

  WriteIni(dir / "velkarin.ini", "[Основные параметры]\nКаталогИсточник=" + source +
                                     "\nКаталогПриемник=" + target +
                                     "\nВыводитьСтатистикуСинхронизации=да\nВыполнить=\n"
                                     "ПроверятьЗапущеноЛиУже=\n");
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(StartProcess("\"" + ExeDir() + "\\velkarin.exe\"", dir.Path(), process));
  win32::ScopedKernelHandle processHandle(process.hProcess);
  win32::ScopedKernelHandle threadHandle(process.hThread);
  // Ends a program that did not end by itself, so that the test fails
  // rather than waits.
  struct Killer {
    HANDLE process;
    ~Killer() {
      if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process, 255);
        WaitForSingleObject(process, 5000);
      }
    }
  } killer{process.hProcess};

  ASSERT_TRUE(WaitForStall(target, process.hProcess, 60000))
      << "the run should have stopped in a log write once the pipe was full";
  EXPECT_LT(CountFiles(target), items.size() - 20) << "stuck before the end of the copy";

  BoxAnswerer answerer("Синхронизация файлов и каталогов", "yes", 15000);
  RunProcess("\"" + ExeDir() + "\\answer_box.exe\" --escape velkarin.v2 15000", "", 20000);
  const BoxReport box = answerer.Finish();
  ASSERT_TRUE(box.shown) << "the abort question";
  EXPECT_EQ(box.text, "Прервать синхронизацию?");

  // The program waits kWorkerWaitMs for its worker, then must end at once.
  const bool ended = WaitForSingleObject(process.hProcess, kWorkerWaitMs + 15000) == WAIT_OBJECT_0;
  ASSERT_TRUE(ended) << "velkarin.exe did not end after the abort: its exit waited on the stuck worker";
  DWORD exitCode = 255;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
}
