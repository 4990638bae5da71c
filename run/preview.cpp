#include "run/preview.h"

#include <windows.h>

#include <string>
#include <vector>

#include "config/own_file_paths.h"
#include "config/sync_config.h"
#include "fileops/act_phase.h"
#include "plan/own_files.h"
#include "plan/action_lines.h"
#include "plan/plan.h"
#include "run/captured_logs.h"
#include "run/driver.h"
#include "scan/directory_listing.h"
#include "win32/handles.h"
#include "win32/message_box.h"

namespace {

constexpr const char* kPlanFileName = "velkarin-plan.txt";
constexpr const char* kNoPlan = "План синхронизации не составлен.\n";

void Tell(const std::string& text, unsigned icon) { ShowProgramBox(text.c_str(), MB_OK | icon); }

std::string WithoutTrailingBackslashes(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

// The plan's actions, written down in the words the run would log.
class PlanLines : public PhaseActions {
 public:
  explicit PlanLines(std::vector<std::string>& lines) : lines_(lines) {}
  // A [Вырезать] entry as the run's deletion takes it: only what is there,
  // never the program's own files. The run logs no line for it, so the
  // plan has words of its own.
  void OnRemoveCutEntry(SyncConfig& config, const std::string& path) override {
    const std::string item = WithoutTrailingBackslashes(path);
    if (GetFileAttributesA(item.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    if (IsOwnFile(config.ownFiles, item)) return;
    lines_.push_back(RemoveCutEntryLine(path));
  }
  // What a run would tidy depends on the programs running when it does:
  // not part of the written plan.
  void OnTidyLeftover(SyncConfig&, const LeftoverFile&) override {}
  void OnWorkBegins(SyncConfig&, const WorkTotals&) override {}
  void OnWorkEnds(SyncConfig&) override {}
  void OnRemoveDirectory(SyncConfig&, const std::string& directory) override {
    lines_.push_back(RemoveDirectoryLine(directory));
  }
  void OnRemoveFile(SyncConfig&, const std::string& path, const FileEntry&) override {
    lines_.push_back(RemoveFileLine(path));
  }
  void OnCreateDirectory(SyncConfig&, const std::string& path) override {
    lines_.push_back(CreateDirectoryLine(path));
  }
  void OnCopyFile(SyncConfig&, const std::string& source, const std::string& target, const FileEntry&) override {
    lines_.push_back(CopyFileLine(source, target));
  }
  void OnCopyPair(SyncConfig&, const std::string& source, const std::string& target, std::uint64_t,
                  std::uint32_t, bool, bool, std::uint32_t) override {
    lines_.push_back(CopyFileLine(source, target));
  }

 private:
  std::vector<std::string>& lines_;
};

// The plan's place: the user's temporary folder, never the current
// directory, which by default is the source.
bool PlanPath(std::string& path) {
  char folder[kPathSize];
  const DWORD length = GetTempPathA(kPathSize, folder);
  if (length == 0 || length >= kPathSize) return false;
  path = std::string(folder) + kPlanFileName;
  return true;
}

// Written in blocks as the lines come: a plan of a million actions is not
// held a second time as one text.
bool WritePlan(const std::string& path, const std::vector<std::string>& lines, DWORD& error) {
  win32::ScopedFile file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    error = GetLastError();
    return false;
  }
  constexpr std::size_t kBlock = 1 << 16;
  std::string block;
  const auto flush = [&]() {
    DWORD written = 0;
    if (!WriteFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &written, nullptr) ||
        written != block.size()) {
      error = GetLastError();
      return false;
    }
    block.clear();
    return true;
  };
  for (const std::string& line : lines) {
    block.append(line).append("\r\n");
    if (block.size() >= kBlock && !flush()) return false;
  }
  return flush();
}

}  // namespace

ExitCode PreviewSynchronisation(const char* iniPath) {
  SyncConfig config;
  std::vector<std::string> lines;
  bool planned = false;
  std::string firstError;
  {
    CapturedLogs logs;
    if (!config.ReadConfigurationOnly(iniPath)) {
      // The line a run would log (the key or section at fault, say) has no
      // log to go to: the box carries it.
      const std::string reason = logs.FirstError();
      Tell(std::string(kNoPlan) + "Ошибка в файле инициализации" + (reason.empty() ? "" : "\n" + reason),
           MB_ICONERROR);
      return ExitCode::NotSynchronised;
    }
    config.ownFiles = OwnFilePaths(config.targetDir, iniPath, config.runRecordFile);
    // A run creates a missing target (with its parents) before it logs
    // anything; the plan says so.
    const std::string targetRoot = WithoutTrailingBackslashes(config.targetDir);
    if (GetFileAttributesA(targetRoot.c_str()) == INVALID_FILE_ATTRIBUTES) {
      lines.push_back(CreateDirectoryLine(targetRoot));
    }
    Plan plan;
    planned = PlanSynchronisation(config, SystemLister(), plan);
    if (planned) {
      PlanLines written(lines);
      ActOnPlan(config, plan, written);
    }
    firstError = logs.FirstError();
  }
  if (!planned) {
    Tell(kNoPlan + firstError, MB_ICONERROR);
    return ExitCode::NotSynchronised;
  }
  std::string path;
  DWORD error = 0;
  if (!PlanPath(path)) {
    Tell(std::string(kNoPlan) + "Не найден временный каталог пользователя.", MB_ICONERROR);
    return ExitCode::NotSynchronised;
  }
  if (!WritePlan(path, lines, error)) {
    Tell(std::string(kNoPlan) + "Ошибка " + std::to_string(error) + " записи файла \"" + path + "\".",
         MB_ICONERROR);
    return ExitCode::NotSynchronised;
  }
  std::string text = "План синхронизации записан в файл \"" + path + "\".\nДействий: " +
                     std::to_string(lines.size()) + ".";
  // Errors that a run would meet too, e.g. a directory that cannot be read.
  if (config.errorCount != 0) text += "\nПри составлении плана возникли ошибки:\n" + firstError;
  Tell(text, config.errorCount != 0 ? MB_ICONWARNING : MB_ICONINFORMATION);
  return config.errorCount != 0 ? ExitCode::WithErrors : ExitCode::Synchronised;
}
