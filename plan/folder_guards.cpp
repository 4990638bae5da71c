#include "plan/folder_guards.h"

#include "config/final_path_forms.h"
#include "config/sync_config.h"
#include "config/system_folders.h"
#include "log/logs.h"

RootForms RootFormsOf(const SyncConfig& config) {
  return {FinalPathForms(std::string(config.sourceDir)), FinalPathForms(std::string(config.targetDir))};
}

bool RefusedAsOverlapping(SyncConfig& config, const RootForms& roots) {
  if (!FoldersOverlap(roots.source, roots.target)) return false;
  ++config.errorCount;
  ErrorLog() << "Ошибка: каталог источник \"" << config.sourceDir << "\" и каталог приемник \""
             << config.targetDir << "\" совпадают или вложены один в другой, синхронизация невозможна"
             << EndLine;
  return true;
}

bool CutGuard::Refused(const std::string& entry) {
  const CutRefusal refusal = RefusalOfCutPath(FinalPathForms(entry), Folders());
  if (refusal == CutRefusal::None) return false;
  ++config_.errorCount;
  ErrorLog() << "Ошибка: путь \"" << entry << "\" в секции [Вырезать] " << CutRefusalReason(refusal)
             << EndLine;
  return true;
}

const GuardedFolders& CutGuard::Folders() {
  if (asked_) return folders_;
  asked_ = true;
  folders_.source = roots_.source;
  folders_.target = roots_.target;
  for (const std::string& file : config_.ownFiles) folders_.ownFiles.push_back(FinalPathForms(file));
  for (const std::wstring& folder : SystemFolders()) folders_.system.push_back(FinalPathForms(folder));
  return folders_;
}
