#include "tests/support/test_support.h"

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <cstdio>
#include <iostream>
#include <vector>

namespace testing_support {

std::string ExeDir() {
  char path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string result(path, length);
  return result.substr(0, result.find_last_of('\\'));
}

TempDir::TempDir(const std::string& hint) {
  static std::atomic<unsigned> counter{0};
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  for (;;) {
    path_ = std::string(base) + "velkarin-" + hint + "-" + std::to_string(GetCurrentProcessId()) +
            "-" + std::to_string(counter++);
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      std::cerr << "cannot create temporary directory " << path_ << "\n";
      std::abort();
    }
  }
}

TempDir::~TempDir() { DeleteTree(path_); }

namespace {

// Wide throughout: a name that Windows-1251 cannot hold would come back
// from the narrow listing as a look-alike ("..\x" for "..＼x") and lead
// the removal somewhere else.
void DeleteTreeWide(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") DeleteTreeWide(path + L"\\" + name);
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

void DeleteTree(const std::string& path) { DeleteTreeWide(Widen(path)); }

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                         static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length) - 1 : 0);
  return wide;
}

namespace {

std::wstring WideWithSnowmen(const std::string& text) {
  std::wstring wide = Widen(text);
  for (std::size_t at = wide.find(L"{?}"); at != std::wstring::npos; at = wide.find(L"{?}", at)) {
    wide.replace(at, 3, 1, L'\u2603');
  }
  return wide;
}

}  // namespace

std::string Utf8(const std::string& text) {
  const std::wstring wide = WideWithSnowmen(text);
  if (wide.empty()) return std::string();
  const int wideLength = static_cast<int>(wide.size());
  std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0,
                                                                nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), static_cast<int>(utf8.size()), nullptr,
                      nullptr);
  return utf8;
}

std::string Utf16WithMark(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t unit : WideWithSnowmen(text)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
  }
  return bytes;
}

bool MakeWideItem(const std::wstring& path, const std::string* content) {
  if (content == nullptr) return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, content->data(), static_cast<DWORD>(content->size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == content->size();
}

bool WideItemExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

std::string WithCrLf(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::cerr << "cannot write " << path << "\n";
    std::abort();
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool StartProcess(const std::string& commandLine, const std::string& workingDir,
                  PROCESS_INFORMATION& process, HANDLE standardError) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  if (standardError != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = standardError;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, standardError != nullptr, 0, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &startup,
                        &process) != FALSE;
}

namespace {

ProcessResult WaitAndClose(PROCESS_INFORMATION& process, DWORD timeoutMs) {
  ProcessResult result;
  if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    result.finished = true;
    GetExitCodeProcess(process.hProcess, &result.exitCode);
  } else {
    TerminateProcess(process.hProcess, 255);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  process = PROCESS_INFORMATION{};
  return result;
}

}  // namespace

ProcessResult RunProcess(const std::string& commandLine, const std::string& workingDir,
                         DWORD timeoutMs) {
  PROCESS_INFORMATION process{};
  if (!StartProcess(commandLine, workingDir, process)) {
    std::cerr << "cannot start: " << commandLine << " (error " << GetLastError() << ")\n";
    return ProcessResult{};
  }
  return WaitAndClose(process, timeoutMs);
}

BoxAnswerer::BoxAnswerer(const std::string& caption, const std::string& button, DWORD timeoutMs)
    : BoxAnswerer(std::vector<std::pair<std::string, std::string>>{{caption, button}}, timeoutMs) {}

BoxAnswerer::BoxAnswerer(const std::vector<std::pair<std::string, std::string>>& boxes, DWORD timeoutMs)
    : dir_("box"), timeoutMs_(timeoutMs) {
  std::string commandLine = "\"" + ExeDir() + "\\answer_box.exe\"";
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    reportPaths_.push_back(dir_ / ("report" + std::to_string(i) + ".txt"));
    commandLine += " \"" + boxes[i].first + "\" " + boxes[i].second;
    if (i == 0) commandLine += " " + std::to_string(timeoutMs);
    commandLine += " \"" + reportPaths_.back() + "\"";
  }
  if (boxes.empty() || !StartProcess(commandLine, "", process_)) {
    std::cerr << "cannot start answer_box (error " << GetLastError() << ")\n";
    finished_ = true;
  }
}

BoxAnswerer::~BoxAnswerer() {
  if (!finished_) FinishAll();
}

namespace {

// A report as answer_box writes it; not shown when it cannot be read.
BoxReport ParseReport(const std::optional<std::string>& bytes) {
  BoxReport report;
  if (!bytes) return report;
  const std::size_t lineEnd = bytes->find('\n');
  const std::string head = bytes->substr(0, lineEnd);
  report.text = lineEnd == std::string::npos ? std::string() : bytes->substr(lineEnd + 1);
  const std::size_t iconAt = head.find("icon=");
  const std::size_t buttonsAt = head.find(" buttons=");
  const std::size_t defaultAt = head.find(" default=");
  if (iconAt == std::string::npos || buttonsAt == std::string::npos || defaultAt == std::string::npos) {
    return BoxReport{};
  }
  report.icon = head.substr(iconAt + 5, buttonsAt - iconAt - 5);
  report.buttons = head.substr(buttonsAt + 9, defaultAt - buttonsAt - 9);
  report.defaultButton = head.substr(defaultAt + 9);
  report.shown = true;
  return report;
}

}  // namespace

BoxReport BoxAnswerer::Finish() {
  const std::vector<BoxReport> reports = FinishAll();
  return reports.empty() ? BoxReport{} : reports[0];
}

std::vector<BoxReport> BoxAnswerer::FinishAll() {
  std::vector<BoxReport> reports(reportPaths_.size());
  if (finished_) return reports;
  finished_ = true;
  const DWORD allowed = timeoutMs_ * static_cast<DWORD>(reportPaths_.size()) + 10000;
  const ProcessResult result = WaitAndClose(process_, allowed);
  if (!result.finished) return reports;
  // A report is there for each box that was answered.
  for (std::size_t i = 0; i < reportPaths_.size(); ++i) reports[i] = ParseReport(ReadFileBytes(reportPaths_[i]));
  return reports;
}

StdStreamGuard::StdStreamGuard() {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(stdout);
  std::fflush(stderr);
  savedOut_ = _dup(_fileno(stdout));
  savedErr_ = _dup(_fileno(stderr));
}

StdStreamGuard::~StdStreamGuard() {
  std::fflush(stdout);
  std::fflush(stderr);
  // The code under test reopens the streams; whatever descriptor they hold
  // now is pointed back at the console or pipe the test runner gave us.
  _dup2(savedOut_, _fileno(stdout));
  _dup2(savedErr_, _fileno(stderr));
  _close(savedOut_);
  _close(savedErr_);
  std::cout.clear();
  std::cerr.clear();
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
  char buffer[32768];
  const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer, sizeof(buffer));
  if (length > 0 && length < sizeof(buffer)) old_ = std::string(buffer, length);
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

ScopedEnv::~ScopedEnv() {
  SetEnvironmentVariableA(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& dir) {
  char buffer[MAX_PATH * 4];
  const DWORD length = GetCurrentDirectoryA(sizeof(buffer), buffer);
  old_.assign(buffer, length);
  SetCurrentDirectoryA(dir.c_str());
}

ScopedCurrentDir::~ScopedCurrentDir() { SetCurrentDirectoryA(old_.c_str()); }

}  // namespace testing_support

namespace testing_support {

void MakeTree(const std::string& root, const std::vector<std::string>& items) {
  CreateDirectoryA(root.c_str(), nullptr);
  for (const std::string& item : items) {
    const std::string path = root + "\\" + item;
    if (!item.empty() && item.back() == '\\') {
      CreateDirectoryA(path.c_str(), nullptr);
    } else {
      WriteFileBytes(path, item);
    }
  }
}

namespace {

void ReadTreeInto(const std::string& root, const std::string& prefix,
                  std::map<std::string, std::string>& tree) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((root + "\\" + prefix + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string relative = prefix + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[relative + "\\"] = "";
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ReadTreeInto(root, relative + "\\", tree);
    } else {
      tree[relative] = ReadFileBytes(root + "\\" + relative).value_or("<unreadable>");
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

}  // namespace

std::map<std::string, std::string> ReadTree(const std::string& root) {
  std::map<std::string, std::string> tree;
  ReadTreeInto(root, "", tree);
  return tree;
}

void SetWriteTime(const std::string& path, unsigned long long time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  FILETIME fileTime{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  SetFileTime(file, nullptr, nullptr, &fileTime);
  CloseHandle(file);
}

unsigned long long GetWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

std::string UnixPath(const std::string& path) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return {};
  std::wstring wide(path.size() + 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  char* name = unixName(wide.c_str());
  const std::string result = name != nullptr ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool StartUnixProgram(const std::string& program, const std::string& commandLine) {
  // The command line goes out wide so that Wine hands UTF-8 names to the
  // Unix program unchanged.
  const auto wide = [](const std::string& utf8) {
    std::wstring text(utf8.size() + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text.data(), static_cast<int>(text.size()));
    text.resize(wcslen(text.c_str()));
    return text;
  };
  std::wstring line = wide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  // Named explicitly: from the command line alone Wine would look for an .exe.
  if (!CreateProcessW(wide(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool MakeSymbolicLink(const std::string& target, const std::string& link) {
  // Wine's CreateSymbolicLinkW does nothing; Wine starts Unix programs.
  const std::string unixTarget = UnixPath(target);
  const std::string unixLink = UnixPath(link);
  if (unixTarget.empty() || unixLink.empty()) return false;
  if (!StartUnixProgram("Z:\\bin\\ln", "Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixLink + "\"")) {
    return false;
  }
  // Wine does not wait for a Unix child: the link is awaited instead. Wine
  // shows a link to a directory as a reparse point, a link to a file as the
  // file itself.
  return WaitUntil(
      [&] {
        const DWORD attributes = GetFileAttributesA(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY));
      },
      5000);
}

WaitingClient::WaitingClient(const std::wstring& exe, const std::string& flag, const std::string& workingDir)
    : flag_(flag) {
  std::wstring commandLine = L"\"" + exe + L"\" --wait " + Widen(flag);
  const std::wstring directory = Widen(workingDir);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingDir.empty() ? nullptr : directory.c_str(), &startup, &process_)) {
    process_ = PROCESS_INFORMATION{};
    return;
  }
  // Up once it says so; a program that ended instead never will be.
  WaitUntil(
      [&] {
        running_ = Exists(flag_ + ".running");
        return running_ || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
      },
      10000);
}

void WaitingClient::Release() {
  if (process_.hProcess == nullptr) return;
  WriteFileBytes(flag_, "");
  if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.hProcess, 1);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  process_ = PROCESS_INFORMATION{};
  DeleteFileA(flag_.c_str());
  DeleteFileA((flag_ + ".running").c_str());
}

FileHolder::FileHolder(const std::string& path) : flags_("hold") {
  const std::string commandLine = "\"" + ExeDir() + "\\hold_file.exe\" \"" + path + "\" \"" +
                                  (flags_ / "ready") + "\" \"" + (flags_ / "release") + "\" 60000";
  if (!StartProcess(commandLine, "", process_)) return;
  WaitUntil(
      [&] {
        holding_ = Exists(flags_ / "ready");
        return holding_ || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
      },
      10000);
}

FileHolder::~FileHolder() {
  if (process_.hProcess == nullptr) return;
  WriteFileBytes(flags_ / "release", "");
  if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
    TerminateProcess(process_.hProcess, 1);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

}  // namespace testing_support

namespace testing_support {

bool WaitUntil(const std::function<bool()>& done, DWORD ceilingMs, DWORD pollMs) {
  const ULONGLONG start = GetTickCount64();
  while (!done()) {
    if (GetTickCount64() - start >= ceilingMs) return false;
    Sleep(pollMs);
  }
  return true;
}

bool RunUnixShell(const std::string& command, const std::function<bool()>& done) {
  // Wine splits the command line by Windows rules: one double-quoted
  // argument, so `command` holds no double quotes (nor names with blanks).
  if (!StartUnixProgram("Z:\\bin\\sh", "/bin/sh -c \"" + command + "\"")) return false;
  return WaitUntil(done, 5000);
}

ScopedUncShare::ScopedUncShare(const std::string& directory, const std::string& server) {
  char prefix[1024];
  const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
  const std::string unixDirectory = UnixPath(directory);
  if (length == 0 || length >= sizeof(prefix) || unixDirectory.empty()) return;
  const std::string servers = std::string(prefix) + "/dosdevices/unc/" + server;
  link_ = servers + "/share";
  const std::string unc = "\\\\" + server + "\\share";
  if (unixDirectory.find_first_of(" \"'") != std::string::npos ||
      servers.find_first_of(" \"'") != std::string::npos) {
    return;
  }
  if (RunUnixShell("mkdir -p " + servers + " && ln -sfn " + unixDirectory + " " + link_,
               [&] { return IsDirectory(unc + "\\"); })) {
    path_ = unc;
  }
}

ScopedUncShare::~ScopedUncShare() {
  if (link_.empty()) return;
  const std::string unc = path_;
  RunUnixShell("rm -f " + link_ + " && rmdir " + link_.substr(0, link_.rfind('/')),
               [&] { return unc.empty() || !IsDirectory(unc + "\\"); });
}

ScopedDriveLetter::ScopedDriveLetter(const std::string& directory, char letter) {
  char prefix[1024];
  const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
  const std::string unixDirectory = UnixPath(directory);
  if (length == 0 || length >= sizeof(prefix) || unixDirectory.empty() || letter < 'a' || letter > 'z') return;
  const std::string root = std::string(1, static_cast<char>(letter - 'a' + 'A')) + ":\\";
  // A letter the prefix already uses is never taken over.
  const bool inUse = (GetLogicalDrives() & (1u << (letter - 'a'))) != 0 ||
                     GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (inUse) return;
  const std::string link = std::string(prefix) + "/dosdevices/" + letter + ":";
  // RunUnixShell passes one quoted argument: no blanks nor quotes inside.
  if ((unixDirectory + link).find_first_of(" \"'") != std::string::npos) return;
  link_ = link;
  if (RunUnixShell("ln -sn " + unixDirectory + " " + link_, [&] { return IsDirectory(root); })) root_ = root;
}

ScopedDriveLetter::~ScopedDriveLetter() {
  if (link_.empty()) return;
  const std::string root = root_;
  RunUnixShell("rm -f " + link_, [&] { return root.empty() || !IsDirectory(root); });
}

}  // namespace testing_support
