#pragma once
// The fixture of the tests of what happens around a run: the running
// check, the questions after it, the client it starts, how it ends.
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "tests/e2e/sync_fixture.h"

namespace e2e {

using namespace testing_support;

// Waits (at most a minute each) for every kadu.exe that process `parent`
// started to end; false when one was still running. One that has already
// ended is not found, and has its marker in place.
inline bool ClientsEnded(DWORD parent) {
  win32::ScopedFile processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  bool ended = true;
  for (BOOL more = Process32First(processes.Get(), &entry); more; more = Process32Next(processes.Get(), &entry)) {
    if (entry.th32ParentProcessID != parent || lstrcmpiA(entry.szExeFile, "kadu.exe") != 0) continue;
    win32::ScopedKernelHandle client(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (client && WaitForSingleObject(client.Get(), 60000) != WAIT_OBJECT_0) ended = false;
  }
  return ended;
}

// A source holding the client program and a little else; the ini file
// names no command, running check or question after errors, so the run
// takes its defaults for them.
class Worker : public Sync {
 protected:
  Worker() { runKeys = "ВыводитьСтатистикуСинхронизации=да\n"; }

  void SetUp() override {
    MakeTree(source, {"a.txt", "Модули\\", "Модули\\m.dll"});
    // The client program itself comes from the share like any other file.
    WriteFileBytes(source + "\\kadu.exe", *ReadFileBytes(ExeDir() + "\\fake_client.exe"));
  }

  VelkarinRun Run(const std::string& keys, const std::vector<ExpectedBox>& boxes = {}) {
    const VelkarinRun run = RunAnswering(keys, "", boxes);
    lastRun_ = run.processId;
    return run;
  }
  // What the client that the last run started recorded (it renames its
  // marker into place whole, then ends), or "<not started>". The run starts
  // its command before it ends, without waiting for it: the client, found
  // as a kadu.exe whose parent is the run, is waited for until it ends.
  std::string Started() {
    EXPECT_TRUE(ClientsEnded(lastRun_)) << "the client the run started did not end within a minute";
    return ReadFileBytes(target + "\\started.txt").value_or("<not started>");
  }
  bool Synchronised() { return Exists(target + "\\Модули\\m.dll"); }
  // The target's kadu.exe, running until released. A client is released
  // when it goes out of scope too: one left running by a failed assertion
  // would hold its kadu.exe (and the temporary directory) for up to a
  // minute and could be found by the next test's running check.
  std::wstring ClientExe() { return Widen(target + "\\kadu.exe"); }
  // A line of the statistics log, CR LF included.
  std::string LaunchLine(const std::string& command, const std::string& directory) {
    return "Выполнение команды \"" + command + "\" рабочий каталог \"" + directory + "\"\r\n";
  }

  DWORD lastRun_ = 0;  // the process of the last run, the client's parent
};

}  // namespace e2e
