// Ending the program when its worker cannot stop: the user aborts while the
// worker is stuck writing a log line to a target that no longer takes data.
// The program must still end by itself soon after its bounded wait.
//
// The stuck write is real: the statistics log in the target is a Unix FIFO
// whose only reader never reads, and whose buffer is full before the run
// begins. The worker's first log line blocks inside the C runtime's flush,
// with the stream's lock held, until the process ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/entry.h"
#include "tests/e2e/e2e_support.h"

using namespace e2e;
using namespace testing_support;

namespace {

bool WaitForFlag(const std::string& path, bool present, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
    if (Exists(path) == present) return true;
  }
  return Exists(path) == present;
}

// A FIFO at `path` held open by a Unix shell that never reads it, its
// buffer filled to the last byte. The shell opens it for reading and
// writing, so that its open returns at once: a plain open for reading would
// wait for a writer. Ended and the FIFO removed at scope exit (from the
// Unix side: opening it through Wine to delete it could wait for a writer
// inside Wine's server).
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
                   // Writes that do not wait, until the buffer takes no more.
                   "dd if=/dev/zero of='" + fifo + "' bs=4096 count=4096 oflag=nonblock\n"
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
    started_ = WaitForFlag(ready_, true, 10000);
  }
  ~StalledFifo() {
    if (!started_) return;
    WriteFileBytes(release_, "");
    EXPECT_TRUE(WaitForFlag(gone_, true, 10000)) << "the FIFO was not removed";
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

}  // namespace

TEST(Exit, AbortEndsTheProgramWhileTheWorkerIsStuckInALogWrite) {
  TempDir dir("exit");
  const std::string source = dir / "source";
  const std::string target = dir / "target";
  const std::vector<std::string> items = MakeGeneratedTree(source, 2, 5);
  MakeTree(target, {});
  if (UnixPath(target).empty()) GTEST_SKIP() << "needs Wine: the stuck log write is made with a Unix FIFO";
  StalledFifo fifo(target + "\\velkarin.out", dir);
  if (!fifo.Ready()) GTEST_SKIP() << "could not make a full FIFO with a silent reader through /bin/sh";

  WriteIni(dir / "velkarin.ini", QuietMainSection(source, target) + "ВыводитьСтатистикуСинхронизации=да\n");
  // Ended as it goes if it did not end by itself, so that the test fails
  // rather than waits.
  RunningVelkarin program("", dir.Path());
  ASSERT_TRUE(program.Started());

  // The worker's first statistics line cannot be written: the run stands
  // still from there on, its window up.
  BoxAnswerer answerer(kWindowCaption, "yes", 15000);
  HWND window = WaitForProgressWindow(program);
  ASSERT_TRUE(window != nullptr) << "the run should have stopped in a log write once the pipe was full";
  EXPECT_LT(CountFiles(target), FileCount(items)) << "stuck before the end of the copy";
  PressEscape(window);
  const BoxReport box = answerer.Finish();
  ASSERT_TRUE(box.shown) << "the abort question";
  EXPECT_EQ(box.text, "Прервать синхронизацию?");

  // The program waits kWorkerWaitMs for its worker, then must end at once.
  const bool ended = program.WaitForExit(kWorkerWaitMs + 15000);
  ASSERT_TRUE(ended) << "velkarin.exe did not end after the abort: its exit waited on the stuck worker";
  EXPECT_EQ(program.ExitCode(), 3u) << "ended as a stopped run";
}
