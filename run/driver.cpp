#include "run/driver.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "config/full_path_entries.h"
#include "config/stays_inside_root.h"
#include "config/sync_config.h"
#include "fileops/act_phase.h"
#include "log/logs.h"
#include "plan/folder_guards.h"
#include "plan/plan.h"
#include "plan/registry.h"
#include "plan/skip_existing.h"
#include "run/accepted_release.h"
#include "run/repair.h"
#include "scan/left_out.h"
#include "scan/listing_file.h"
#include "scan/scan.h"
#include "ui/progress_text.h"

namespace {

void Phase(const char* line) { StatsLog() << line << EndLine; }

// The source must be there before anything is read or removed.
bool SourceReachable(SyncConfig& config) {
  if (GetFileAttributesA(config.sourceDir) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  ++config.errorCount;
  config.sourceUnreachable = true;
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    ErrorLog() << "Ошибка: каталог источник \"" << config.sourceDir
               << "\" не существует, синхронизация невозможна" << EndLine;
  } else if (error == ERROR_BAD_NETPATH) {
    ErrorLog() << "Ошибка: сетевой путь \"" << config.sourceDir << "\" не найден" << EndLine;
  } else {
    ErrorLog() << "Ошибка: " << error << " доступа к каталогу источнику \"" << config.sourceDir
               << "\", синхронизация невозможна" << EndLine;
  }
  return false;
}

bool IsEmpty(const DirNode* root) { return root->firstChild == nullptr && root->record.entries.empty(); }

// A source that shows nothing at all while the target holds what a run
// could delete: a share mounted but empty, a deployment half done, rights
// just taken away. Taken as a source that cannot be read, so that the
// installed client is not deleted file by file.
bool SourceEmptyWhileTargetIsNot(SyncConfig& config) {
  const bool couldDelete = config.deleteUnneeded || !config.strictList.empty();
  if (!couldDelete || !IsEmpty(config.sourceSnapshot.get()) || IsEmpty(config.targetSnapshot.get())) {
    return false;
  }
  ++config.errorCount;
  ErrorLog() << "Ошибка: каталог источник \"" << config.sourceDir
             << "\" пуст, синхронизация невозможна" << EndLine;
  return true;
}

void RemoveFromBoth(SyncConfig& config, const std::string& path) {
  RemovePath(config.sourceSnapshot.get(), path.c_str());
  RemovePath(config.targetSnapshot.get(), path.c_str());
}

// A relative name from a list section that, joined to the target, would
// name the target itself or something beside it: logged, counted, and
// nothing is done for it.
bool RefusedAsOutsideTarget(SyncConfig& config, const std::string& name, const char* section) {
  if (StaysInsideRoot(name)) return false;
  ++config.errorCount;
  ErrorLog() << "Ошибка: путь \"" << name << "\" в секции [" << section
             << "] ведет за пределы каталога приемника" << EndLine;
  return true;
}

void CutEntries(SyncConfig& config, const RootForms& roots, Plan& plan) {
  CutGuard guard(config, roots);
  for (const std::string& entry : config.cutList) {
    if (config.StopRequested()) return;
    const bool full = IsFullPathEntry(entry);
    // "..", "." or "\" would have the whole target, or what lies beside
    // it, deleted.
    if (!full && RefusedAsOutsideTarget(config, entry, "Вырезать")) continue;
    // A full path outside both roots is deleted where it points: never a
    // whole drive, a folder the run depends on or one of the system's.
    if (full && guard.Refused(entry)) continue;
    RemoveFromBoth(config, entry);
    plan.tidying.push_back({ActionKind::RemoveCutEntry, static_cast<std::uint32_t>(plan.cutPaths.size())});
    plan.cutPaths.push_back(full ? entry : config.targetDir + entry);
  }
  config.cutList.clear();
}

// A pair whose target name leads outside the target is dropped before it
// touches the registry or the copy: neither of its files is treated
// differently from any other.
void DropPairsLeavingTarget(SyncConfig& config) {
  std::vector<CheckPair> kept;
  kept.reserve(config.checkPairs.size());
  for (CheckPair& pair : config.checkPairs) {
    if (!RefusedAsOutsideTarget(config, pair.targetName, "Проверить пары")) kept.push_back(std::move(pair));
  }
  config.checkPairs = std::move(kept);
}

// The lists' full-path entries, made relative where they lie inside the
// source or the target; those inside neither can never apply and are named
// once in the statistics log (with per-user targets they are normal: no
// error). A [Вырезать] entry outside both is deleted as written unless
// CutGuard refuses it; a pair's source name outside both is read where it
// is.
void ResolveFullPathEntries(SyncConfig& config) {
  const std::string source = config.sourceDir;
  const std::string target = config.targetDir;
  const auto resolve = [&](std::vector<std::string>& list, const char* section, RootCase rule) {
    for (const std::string& entry : RelativiseFullPathEntries(list, source, target, rule)) {
      StatsLog() << "запись \"" << entry << "\" секции [" << section
                 << "] вне каталогов источника и приемника, не применяется" << EndLine;
    }
  };
  resolve(config.ignoreList, "Игнорировать", RootCase::Windows1251);
  resolve(config.updateList, "Обновлять", RootCase::Windows1251);
  resolve(config.strictList, "СтрогоСинхронизировать", RootCase::Exact);
  resolve(config.skipExistingList, "Пропустить существующие", RootCase::Windows1251);
  (void)RelativiseFullPathEntries(config.cutList, source, target, RootCase::Ascii);
  for (CheckPair& pair : config.checkPairs) {
    std::string relative;
    if (RelativeToEitherRoot(pair.sourceName, source, target, RootCase::Ascii, relative)) {
      pair.sourceName = relative;
    }
    if (RelativeToEitherRoot(pair.targetName, source, target, RootCase::Ascii, relative)) {
      pair.targetName = relative;
    }
  }
}

// With the publisher's keys a pair's source must be a file of the signed
// release, and its copy is checked like every other; a pair whose source
// is not is refused.
void KeepPairsOfTheRelease(SyncConfig& config, DirNode* source) {
  if (config.publisherKeys.empty()) return;
  std::vector<CheckPair> kept;
  kept.reserve(config.checkPairs.size());
  for (CheckPair& pair : config.checkPairs) {
    const FileEntry* entry = IsFullPathEntry(pair.sourceName) ? nullptr : FindFileAt(source, pair.sourceName);
    if (entry == nullptr || entry->hashIndex >= config.sourceHashes.size()) {
      ++config.errorCount;
      ErrorLog() << "Ошибка: файл \"" << pair.sourceName
                 << "\" секции [Проверить пары] не входит в подписанный список источника" << EndLine;
      continue;
    }
    pair.sourceHashIndex = entry->hashIndex;
    kept.push_back(std::move(pair));
  }
  config.checkPairs = std::move(kept);
}

// The listing and its temporary file at a root are the publisher's, never
// part of a release: not copied, compared, counted or deleted. (The copies'
// temporaries, which may stand in any directory, are left out by the scans
// themselves; see IsRunTemporary in scan.cpp.)
void LeaveOutListingFiles(DirNode* root) {
  RemovePath(root, kListingFileName);
  RemovePath(root, kListingTemporaryName);
}

// The source snapshot: from the published listing at the source root when
// there is a valid one (one read instead of a listing per directory), with
// the ignore list applied as the scan would; otherwise by scanning. A
// listing that cannot be trusted is named in the statistics log.
// The source's picture came from the listing `read` (`what`: which kind, as
// the statistics log names it): the ignore list is applied as a scan would.
void TakeFromListing(SyncConfig& config, DirNode* source, const ListingRead& read, const char* what) {
  StatsLog() << "источник прочитан из " << what << " \"" << read.path << "\", опубликованного "
             << LocalTimeText(read.published) << EndLine;
  config.sourceFromListing = true;
  config.sourceOrigin = SyncConfig::SourceOrigin::Listing;
  config.listingPublished = read.published;
  LeaveOutIgnored(source, "", config.ignoreList);
  LeaveOutListingFiles(source);
}

// With the publisher's keys the source is read from a listing one of them
// signed, published no earlier than the newest this target has accepted,
// and from nothing else: taking the listing away must not be a way around
// the keys. A refusal is one error line and counts as a source that cannot
// be reached.
bool ReadSignedSourceSnapshot(SyncConfig& config, DirNode* source) {
  ListingTrust trust;
  trust.keys = config.publisherKeys;
  const ListingRead read = ReadPublishedListing(config.sourceDir, source, trust, &config.sourceHashes);
  std::string refusal = read.reason;
  if (read.use == ListingUse::Absent) refusal = "файла нет";
  FileTime accepted;
  if (read.use == ListingUse::Used && ReadAcceptedRelease(config.targetDir, accepted) &&
      Earlier(read.published, accepted)) {
    refusal = "опубликован " + LocalTimeText(read.published) + ", раньше принятого ранее списка от " +
              LocalTimeText(accepted);
  }
  if (read.use != ListingUse::Used || !refusal.empty()) {
    DestroySubtree(source);
    config.sourceHashes.clear();
    ++config.errorCount;
    config.sourceUnreachable = true;
    ErrorLog() << "Ошибка: список источника \"" << read.path << "\" не принят (" << refusal
               << "), синхронизация невозможна" << EndLine;
    return false;
  }
  // A look without a run (/l) leaves the target as it is.
  if (!config.lookOnly && (!ReadAcceptedRelease(config.targetDir, accepted) || Earlier(accepted, read.published))) {
    if (!KeepAcceptedRelease(config.targetDir, read.published)) {
      ErrorLog() << "Ошибка записи файла \"" << config.targetDir << kAcceptedReleaseFileName << "\"" << EndLine;
      ++config.errorCount;
    }
  }
  TakeFromListing(config, source, read, "подписанного списка");
  return true;
}

bool ReadSourceSnapshot(SyncConfig& config, DirNode* source, DirectoryLister& lister) {
  if (!config.publisherKeys.empty()) return ReadSignedSourceSnapshot(config, source);
  if (config.usePublishedListing || config.repair) {
    // A signed listing's hashes are checked on every copy, keys or none.
    const ListingRead read = ReadPublishedListing(config.sourceDir, source, {}, &config.sourceHashes);
    if (read.use == ListingUse::Used) {
      TakeFromListing(config, source, read, "списка");
      return true;
    }
    if (read.use == ListingUse::Refused) {
      StatsLog() << "список источника \"" << read.path << "\" не используется (" << read.reason
                 << "): каталог источник сканируется полностью" << EndLine;
    }
  }
  if (!ScanSource(config, source, config.sourceDir, "", lister)) return false;
  config.sourceOrigin = SyncConfig::SourceOrigin::Scan;
  LeaveOutListingFiles(source);
  return true;
}

}  // namespace

bool RunSynchronisation(SyncConfig& config) { return RunSynchronisation(config, SystemLister()); }

bool RunSynchronisation(SyncConfig& config, DirectoryLister& lister) {
  Plan plan;
  if (!PlanSynchronisation(config, lister, plan)) return false;
  config.acted = true;
  ActOnPlan(config, plan);
  return config.errorCount == 0 && !config.Stopped();
}

bool PlanSynchronisation(SyncConfig& config, DirectoryLister& lister, Plan& plan) {
  HWND__* window = config.progressWindowHandle;
  SendProgressText(window, "Проверка доступа к каталогу источнику");
  if (!SourceReachable(config)) return false;
  const RootForms roots = RootFormsOf(config);
  if (RefusedAsOverlapping(config, roots)) return false;
  ResolveFullPathEntries(config);

  config.sourceSnapshot = CreateSnapshot();
  config.targetSnapshot = CreateSnapshot();
  DirNode* source = config.sourceSnapshot.get();
  DirNode* target = config.targetSnapshot.get();

  // The first letter of the scanning texts is a Latin "C", as users know them.
  SendProgressText(window, "Cканирование каталога источника");
  Phase("сканирование источника");
  if (!ReadSourceSnapshot(config, source, lister) || config.StopRequested()) {
    // Without a picture of the source nothing may be decided: stop here.
    config.sourceSnapshot.reset();
    config.targetSnapshot.reset();
    return false;
  }
  // A repair checks files against the release's hashes: a source read
  // without them gives nothing to check against.
  if (config.repair && config.sourceHashes.empty()) {
    ++config.errorCount;
    ErrorLog() << "Ошибка: для восстановления нужен подписанный список источника \"" << config.sourceDir
               << kListingFileName << "\"" << EndLine;
    config.sourceSnapshot.reset();
    config.targetSnapshot.reset();
    return false;
  }
  LeaveOutRepeatedSourceNames(config, source);
  CloneStructure(target, source);

  SendProgressText(window, "Cканирование каталога приемника");
  Phase("сканирование приемника");
  const bool targetListed = ScanTarget(config, target, config.targetDir, "", lister);
  LeaveOutListingFiles(target);
  if (!targetListed ||
      SourceEmptyWhileTargetIsNot(config) || config.StopRequested()) {
    config.sourceSnapshot.reset();
    config.targetSnapshot.reset();
    return false;
  }

  if (config.updateListInForce) {
    FilterByUpdateList(source, target, "", config.updateList, config.ignoreList);
  }

  Phase("удаление игнорируемых файлов из реестра синхронизации");
  for (const std::string& entry : config.ignoreList) RemoveFromBoth(config, entry);
  config.ignoreList.clear();

  Phase("удаление 'вырезаемых' файлов из реестра синхронизации");
  CutEntries(config, roots, plan);

  Phase("удаление проверяемых пар из реестра синхронизации");
  DropPairsLeavingTarget(config);
  KeepPairsOfTheRelease(config, source);
  for (const CheckPair& pair : config.checkPairs) RemoveCheckPair(source, target, pair);

  if (config.repair) {
    SendProgressText(window, "Проверка файлов приемника");
    MarkDamagedTargetFiles(config, source, target);
  }
  SendProgressText(window, "Cканирование каталогов");
  CompareTrees(source, target);
  KeepExistingFiles(source, target, config.skipExistingList);
  Phase("сравнение");

  // The work lists hold everything still needed: each tree goes as soon as
  // its list is made, so that the run never holds both trees and both lists.
  BuildWorkList(config.sourceWorkList, source, "");
  config.sourceSnapshot.reset();
  BuildWorkList(config.targetWorkList, target, "");
  config.targetSnapshot.reset();
  Phase("построение списков");

  for (std::size_t i = 0; i < config.leftovers.size(); ++i) {
    plan.tidying.push_back({ActionKind::TidyLeftover, static_cast<std::uint32_t>(i)});
  }
  PlanWork(plan.work, config.sourceWorkList, config.targetWorkList, config.checkPairs.size(),
           WorkRules{config.targetDir, config.deleteUnneeded, config.strictList, config.ownFiles});
  return !config.StopRequested();
}
