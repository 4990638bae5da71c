#pragma once
// Helpers for the tests that run under Wine: real temporary directories,
// real files, real child processes, and the box answerer.
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Directory of the running test executable, where every built program lies.
std::string ExeDir();

// A fresh directory under the system's temporary directory, removed with
// everything in it (links removed, never followed) at scope exit.
class TempDir {
 public:
  explicit TempDir(const std::string& hint = "t");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a trailing backslash.
  const std::string& Path() const { return path_; }
  // The directory joined with `relative`.
  std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

 private:
  std::string path_;
};

// Removes a file or a directory tree; directory links are removed as links.
void DeleteTree(const std::string& path);

// Windows-1251 text as a wide string.
std::wstring Widen(const std::string& text);
// Windows-1251 text as UTF-8 (what Notepad saves today) or UTF-16 little
// endian with its byte-order mark. "{?}" in `text`, which Windows-1251 cannot
// hold, becomes a snowman (U+2603).
std::string Utf8(const std::string& text);
std::string Utf16WithMark(const std::string& text);
// Makes `path`, whose names may hold characters Windows-1251 cannot: a
// directory when `content` is null, else a file holding it.
bool MakeWideItem(const std::wstring& path, const std::string* content = nullptr);
bool WideItemExists(const std::wstring& path);

std::optional<std::string> ReadFileBytes(const std::string& path);
// Text with LF line ends turned into CR LF, as an editor on Windows saves it.
std::string WithCrLf(const std::string& text);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);

struct ProcessResult {
  bool finished = false;  // false: still running at the timeout, then killed
  DWORD exitCode = 0;
};

// Starts a command line in `workingDir` (empty: the current one), its
// standard error going to `standardError` (an inheritable handle) when set.
bool StartProcess(const std::string& commandLine, const std::string& workingDir,
                  PROCESS_INFORMATION& process, HANDLE standardError = nullptr);

// Runs a command line in `workingDir` and waits at most `timeoutMs`.
ProcessResult RunProcess(const std::string& commandLine, const std::string& workingDir,
                         DWORD timeoutMs = 30000);

// What the answerer saw of a box.
struct BoxReport {
  bool shown = false;   // a box with the caption appeared and was answered
  std::string icon;     // error, warning, information, question or none
  std::string buttons;  // visible buttons, e.g. "ok" or "yes,no"
  std::string defaultButton;  // the one Enter presses, e.g. "no"; "none"
  std::string text;     // the box text, Windows-1251 bytes
};

// Starts tests/tools' answer_box for one box with `caption`, to be pressed
// with `button` ("ok", "yes", "no", "cancel"), or for several boxes, each
// answered once the one before is gone. Start it before the program that
// shows the box; Finish() waits for it (bounded) and reads its report.
class BoxAnswerer {
 public:
  BoxAnswerer(const std::string& caption, const std::string& button, DWORD timeoutMs = 20000);
  // (caption, button) of each box in the order they come; each within
  // `timeoutMs`.
  BoxAnswerer(const std::vector<std::pair<std::string, std::string>>& boxes, DWORD timeoutMs = 20000);
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // The first box's report.
  BoxReport Finish();
  // Each box's report, in order.
  std::vector<BoxReport> FinishAll();

 private:
  TempDir dir_;
  std::vector<std::string> reportPaths_;
  PROCESS_INFORMATION process_{};
  DWORD timeoutMs_;
  bool finished_ = false;
};

// Saves the process's standard output and error and puts them back at scope
// exit, for tests of code that redirects them to log files.
class StdStreamGuard {
 public:
  StdStreamGuard();
  ~StdStreamGuard();
  StdStreamGuard(const StdStreamGuard&) = delete;
  StdStreamGuard& operator=(const StdStreamGuard&) = delete;

 private:
  int savedOut_;
  int savedErr_;
};

// Sets an environment variable for this process and restores it at scope exit.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  ~ScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Changes the current directory and restores it at scope exit.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::string& dir);
  ~ScopedCurrentDir();

 private:
  std::string old_;
};

}  // namespace testing_support

namespace testing_support {

// Creates `items` below `root` (created too): a name ending in a backslash
// is a directory, any other a file whose content is its own name.
void MakeTree(const std::string& root, const std::vector<std::string>& items);

// Every directory (with a trailing backslash) and file below `root`, by
// relative path, with the file's content; directories map to "".
std::map<std::string, std::string> ReadTree(const std::string& root);

// Sets a file's last-write time, in 100-ns units since 1601.
void SetWriteTime(const std::string& path, unsigned long long time);
unsigned long long GetWriteTime(const std::string& path);

// The Unix name (UTF-8) of a Windows path under Wine; empty elsewhere.
std::string UnixPath(const std::string& path);

// Starts a Unix program under Wine; `commandLine` is UTF-8 and starts with
// the program. Wine gives no handle to wait on: callers watch for its effect.
bool StartUnixProgram(const std::string& program, const std::string& commandLine);

// Makes `link` a Unix symbolic link to `target` (both Windows paths): Wine
// shows it as a reparse point, as Windows shows a junction.
bool MakeSymbolicLink(const std::string& target, const std::string& link);

// The program's default target, "C:\\Каду++ Клиент" on the test prefix's
// drive C:, which the prefix keeps from one run to the next. A test that
// lets the program use it starts from no such directory and leaves none:
// what an earlier or failed test left there cannot make its checks pass or
// fail.
class DefaultTargetGuard {
 public:
  static constexpr const char* kPath = "C:\\Каду++ Клиент";
  DefaultTargetGuard() { DeleteTree(kPath); }
  ~DefaultTargetGuard() { DeleteTree(kPath); }
  DefaultTargetGuard(const DefaultTargetGuard&) = delete;
  DefaultTargetGuard& operator=(const DefaultTargetGuard&) = delete;
};

// A program started with "--wait <flag>" (fake_client: it creates
// "<flag>.running" once up and runs until <flag> exists), released when the
// object goes. `exe` is wide: its directory may hold names Windows-1251
// cannot.
class WaitingClient {
 public:
  WaitingClient(const std::wstring& exe, const std::string& flag, const std::string& workingDir = "");
  ~WaitingClient() { Release(); }
  WaitingClient(const WaitingClient&) = delete;
  WaitingClient& operator=(const WaitingClient&) = delete;
  // Up and waiting (false when it could not start or ended instead).
  bool Running() const { return running_; }
  DWORD Id() const { return process_.dwProcessId; }
  // Lets it end and waits for that (bounded; killed past it).
  void Release();

 private:
  std::string flag_;
  PROCESS_INFORMATION process_{};
  bool running_ = false;
};

// Holds a file open without sharing from another process while alive.
class FileHolder {
 public:
  explicit FileHolder(const std::string& path);
  ~FileHolder();
  bool Holding() const { return holding_; }

 private:
  TempDir flags_;
  PROCESS_INFORMATION process_{};
  bool holding_ = false;
};

// Asks `done` every `pollMs` until it holds (true) or `ceilingMs` has
// passed (false): the wait for an effect that comes with no handle to wait
// on, such as a file appearing or a window. The ceiling is for a machine
// that has stopped, not a busy one; the caller fails loudly at it.
bool WaitUntil(const std::function<bool()>& done, DWORD ceilingMs, DWORD pollMs = 5);

// Runs `command` with /bin/sh from Linux and waits (bounded) until `done`
// holds; Wine does not wait for a Unix child. The command line is split by
// Windows rules, so `command` holds no double quotes nor names with blanks.
bool RunUnixShell(const std::string& command, const std::function<bool()>& done);

// Makes `\\server\share` lead to `directory`, as a network share does:
// under Wine a UNC path reaches a Unix directory through a link in the
// prefix's dosdevices\unc. Removed again at scope exit. Path() is empty
// where that cannot be done (not Wine, no prefix): the caller skips.
class ScopedUncShare {
 public:
  ScopedUncShare(const std::string& directory, const std::string& server);
  ~ScopedUncShare();
  ScopedUncShare(const ScopedUncShare&) = delete;
  ScopedUncShare& operator=(const ScopedUncShare&) = delete;
  // "\\server\share", or empty.
  const std::string& Path() const { return path_; }

 private:
  std::string link_;  // the link's Unix path
  std::string path_;
};

// Makes drive `letter` ('a'..'z') lead to `directory`, as a substituted
// or mapped drive does: under Wine a drive is a link in the prefix's
// dosdevices. Removed again at scope exit. Root() ("Q:\") is empty where
// that cannot be done (not Wine, no prefix, the letter already in use):
// the caller skips.
class ScopedDriveLetter {
 public:
  ScopedDriveLetter(const std::string& directory, char letter);
  ~ScopedDriveLetter();
  ScopedDriveLetter(const ScopedDriveLetter&) = delete;
  ScopedDriveLetter& operator=(const ScopedDriveLetter&) = delete;
  // "Q:\", or empty.
  const std::string& Root() const { return root_; }

 private:
  std::string link_;  // the link's Unix path
  std::string root_;
};

}  // namespace testing_support
