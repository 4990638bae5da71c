#include "fileops/act_phase.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "config/full_path_entries.h"
#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "fileops/replace_file.h"
#include "fileops/target_actions.h"
#include "plan/own_files.h"
#include "log/logs.h"
#include "model/file_time.h"
#include "plan/plan.h"
#include "ui/progress_text.h"

namespace {

void CountError(SyncConfig& config) { ++config.errorCount; }

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Paths are limited to the 1024-byte buffers the rest of the run uses.
bool FitsPathBuffer(SyncConfig& config, const std::string& source, const std::string& target) {
  const char* which = nullptr;
  if (source.size() >= kPathSize) {
    which = " путь в каталоге источнике слишком длинный";
  } else if (target.size() >= kPathSize) {
    which = " путь в каталоге приемнике слишком длинный";
  }
  if (which == nullptr) return true;
  ErrorLog() << "Ошибка копирования файла \"" << source << "\"" << which << EndLine;
  CountError(config);
  return false;
}

FileTime ToFileTime(const FILETIME& time) { return FileTime{time.dwLowDateTime, time.dwHighDateTime}; }

// A pair is compared when its turn comes: the copies before it may take
// long, and its times are the ones it has then.
void ActOnPair(SyncConfig& config, const CheckPair& pair, PhaseActions& actions) {
  // A full path outside both roots is read where it is.
  const std::string source =
      IsFullPathEntry(pair.sourceName) ? pair.sourceName : std::string(config.sourceDir) + pair.sourceName;
  const std::string target = std::string(config.targetDir) + pair.targetName;
  if (!FitsPathBuffer(config, source, target)) return;
  if (IsOwnFile(config.ownFiles, target)) return;
  WIN32_FILE_ATTRIBUTE_DATA sourceData;
  if (!GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &sourceData)) {
    const DWORD error = GetLastError();
    ErrorLog() << "Ошибка " << error << " чтения аттрибутов файла \"" << source << "\"" << EndLine;
    CountError(config);
    return;
  }
  WIN32_FILE_ATTRIBUTE_DATA targetData;
  // Only a file is one to replace: a directory of that name is the user's,
  // and the copy onto it fails.
  const bool targetExists = GetFileAttributesExW(ExtendedWidePath(target.c_str()).c_str(), GetFileExInfoStandard,
                                                 &targetData) != FALSE &&
                            !(targetData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  const bool targetIsLink = targetExists && IsLink(targetData.dwFileAttributes);
  const std::uint64_t sourceSize =
      IsLink(sourceData.dwFileAttributes)
          ? kSizeNotKnown
          : (static_cast<std::uint64_t>(sourceData.nFileSizeHigh) << 32) | sourceData.nFileSizeLow;
  // A pair is held to the same rule as every other file: a target of
  // another size is copied again even when its time agrees.
  if (targetExists && !targetIsLink &&
      SameFile(ToFileTime(sourceData.ftLastWriteTime), sourceSize, ToFileTime(targetData.ftLastWriteTime),
               (static_cast<std::uint64_t>(targetData.nFileSizeHigh) << 32) | targetData.nFileSizeLow)) {
    return;
  }
  actions.OnCopyPair(config, source, target, sourceSize, sourceData.dwFileAttributes, targetExists,
                     targetIsLink, pair.sourceHashIndex);
}

void Act(SyncConfig& config, const Plan& plan, const Action& action, PhaseActions& actions) {
  switch (action.kind) {
    case ActionKind::RemoveCutEntry:
      actions.OnRemoveCutEntry(config, plan.cutPaths[action.item]);
      return;
    case ActionKind::TidyLeftover:
      actions.OnTidyLeftover(config, config.leftovers[action.item]);
      return;
    case ActionKind::RemoveDirectory:
      actions.OnRemoveDirectory(config, std::string(config.targetDir) + config.targetWorkList[action.item].name + "\\");
      return;
    case ActionKind::RemoveFile: {
      const DirRecord& record = config.targetWorkList[action.item];
      const FileEntry& entry = record.entries[action.entry];
      actions.OnRemoveFile(config, std::string(config.targetDir) + record.name + "\\" + entry.name, entry);
      return;
    }
    case ActionKind::CreateDirectory:
      actions.OnCreateDirectory(config, std::string(config.targetDir) + config.sourceWorkList[action.item].name);
      return;
    case ActionKind::CopyFile: {
      const DirRecord& record = config.sourceWorkList[action.item];
      const FileEntry& entry = record.entries[action.entry];
      const std::string source = std::string(config.sourceDir) + record.name + "\\" + entry.name;
      const std::string target = std::string(config.targetDir) + record.name + "\\" + entry.name;
      if (FitsPathBuffer(config, source, target)) actions.OnCopyFile(config, source, target, entry);
      return;
    }
    case ActionKind::CopyPair:
      ActOnPair(config, config.checkPairs[action.item], actions);
      return;
  }
}

void ReportItem(SyncConfig& config, const Action& action) {
  if (!IsCountedItem(action.kind)) return;
  const std::uint64_t size = action.kind == ActionKind::CopyFile
                                 ? config.sourceWorkList[action.item].entries[action.entry].size
                                 : 0;
  SendProgressItem(config.progressWindowHandle, size);
}

}  // namespace

void ActOnPlan(SyncConfig& config, const Plan& plan) { ActOnPlan(config, plan, *MakeTargetActions()); }

void ActOnPlan(SyncConfig& config, const Plan& plan, PhaseActions& actions) {
  for (const Action& action : plan.tidying) {
    if (config.StopRequested()) return;
    Act(config, plan, action, actions);
  }
  actions.OnWorkBegins(config, CountWork(plan.work, config.sourceWorkList));
  for (const Action& action : plan.work) {
    ReportItem(config, action);
    if (config.StopRequested()) break;
    Act(config, plan, action, actions);
  }
  actions.OnWorkEnds(config);
}
