#pragma once
// Runs velkarin.exe itself under Wine and answers its message boxes.
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"
#include "win32/handles.h"

namespace e2e {

struct ExpectedBox {
  std::string caption;
  std::string button;           // ok, yes, no, cancel
  bool pressEscapeFirst = false;  // type Escape into the progress window first (the first box only)
};

struct VelkarinRun {
  bool exited = false;  // ended by itself within the time allowed
  unsigned long exitCode = 0;
  unsigned long processId = 0;  // the programs it started name it as their parent
  std::vector<testing_support::BoxReport> boxes;  // one per expected box, in order
};

// velkarin.exe started and not waited for: the test watches it run, waits
// for its end or kills it. One still running when the object goes is
// killed, so that a failed assertion never leaves it holding its files.
class RunningVelkarin {
 public:
  // Starts velkarin.exe with `arguments` in `workingDir`; Started() says
  // whether it could be. Its standard error goes to the file
  // `standardErrorFile` when one is named.
  RunningVelkarin(const std::string& arguments, const std::string& workingDir,
                  const std::string& standardErrorFile = "");
  ~RunningVelkarin();
  RunningVelkarin(const RunningVelkarin&) = delete;
  RunningVelkarin& operator=(const RunningVelkarin&) = delete;

  bool Started() const { return process_.Valid(); }
  HANDLE Handle() const { return process_.Get(); }
  unsigned long Id() const { return id_; }
  bool Running() const;
  // Waits at most `timeoutMs` for the program to end by itself; true when
  // it did, its exit code then in ExitCode().
  bool WaitForExit(unsigned long timeoutMs);
  unsigned long ExitCode() const { return exitCode_; }
  // Ends it now, as a user's task manager would, and waits for that.
  void Kill();

 private:
  win32::ScopedKernelHandle process_;
  win32::ScopedKernelHandle thread_;
  unsigned long id_ = 0;
  unsigned long exitCode_ = 0;
};

// Starts velkarin.exe with `arguments` in `workingDir`, answers the boxes
// in the given order (each bounded, each once the one before is gone),
// then waits for the program to end.
VelkarinRun RunVelkarin(const std::string& arguments, const std::string& workingDir,
                        const std::vector<ExpectedBox>& boxes = {});

// The program's boxes all carry this caption.
inline ExpectedBox ProgramBox(const std::string& button = "ok") { return {"velkarin", button}; }

// The caption of the progress window and of its abort question; the
// caption of the worker's boxes.
constexpr const char kWindowCaption[] = "Синхронизация файлов и каталогов";
constexpr const char kWorkerCaption[] = "Синхронизация";

// [Основные параметры] naming `source` and `target`, nothing else.
std::string MainSection(const std::string& source, const std::string& target);

// [Основные параметры] for a quiet run from `source` (created empty when
// missing) to `target`: no command to start, no running check.
std::string QuietMainSection(const std::string& source, const std::string& target);

// Ini text: `base` with each "name=value" line of `keys` replacing the key
// of that name in [Основные параметры] where it stands, or added at the
// section's end, and each section of `sections` ("[name]" and its lines)
// replacing the section of that name whole, or added at the end. Lines of
// LF-ended Windows-1251 text, as WriteIni takes them.
std::string IniWith(const std::string& base, const std::string& keys, const std::string& sections = "");

// The committed default ini file, byte for byte.
std::string TemplateBytes();

// A log line (or a whole log whose last line is one) that ends with the
// system's reason, " (<code>: <message>)" after a closing quote, and its
// line end, cut right after the code: "... (5: ". The message is the
// system's own, in its language, so tests compare up to the code. Text
// without such an end is returned unchanged.
std::string UpToReasonCode(const std::string& line);

// Writes an ini file from Windows-1251 text with LF line ends,
// stored with CR LF as an editor on Windows would.
void WriteIni(const std::string& path, const std::string& text);

// The lines of a log, each without its CR LF, in order.
std::vector<std::string> OutLines(const std::string& log);

// A generated client-like tree below `root` (created too): `directories`
// directories d0, d1, ... each holding `filesEach` files "f<d>-<n>", names
// no two directories share. Each file holds its own relative path, or
// nothing when `empty`. Returns the relative names made, as MakeTree takes
// them (directories with a trailing backslash), directories first.
std::vector<std::string> MakeGeneratedTree(const std::string& root, int directories, int filesEach,
                                           bool empty = false);
// The files among such names.
std::size_t FileCount(const std::vector<std::string>& items);

// The run's progress window and boxes, as a test meets them while the run
// goes on. Each wait ends early, with null, once `run` has ended, and at
// the ceiling (a machine that has stopped) otherwise: the caller fails
// loudly on null.
HWND WaitForProgressWindow(const RunningVelkarin& run, unsigned long ceilingMs = 60000);
HWND WaitForBox(const char* caption, const RunningVelkarin& run, unsigned long ceilingMs = 60000);
// Types Escape into the progress window. The window then asks whether to
// abort, and the run waits at its next file or directory until the
// question is answered: a test holds a run still by the question.
void PressEscape(HWND window);
// Presses a box's button (IDYES, IDNO, IDOK).
void PressButton(HWND box, int button);
// Moves a box to the screen's corner, off the progress window, which then
// paints what the box covered.
void MoveAside(HWND box);
// Waits until `pattern` (a FindFirstFile pattern) names something; false
// when the run ended without it. The run creates the directories of a
// generated tree as its copy phase reaches them: "<target>\d*" appears
// once the copying has begun.
bool WaitForPath(const std::string& pattern, const RunningVelkarin& run, unsigned long ceilingMs = 60000);
// How many names `pattern` matches.
int CountMatching(const std::string& pattern);

}  // namespace e2e
