#include "fileops/target_actions.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "config/sync_config.h"
#include "fileops/delete_tree.h"
#include "fileops/files_in_use.h"
#include "fileops/leftovers.h"
#include "fileops/link_guard.h"
#include "fileops/long_path_copy.h"
#include "fileops/replace_file.h"
#include "log/logs.h"
#include "log/system_reason.h"
#include "plan/action_lines.h"
#include "plan/plan.h"
#include "ui/progress_text.h"
#include "win32/handles.h"
#include "win32/system_message.h"

namespace {

void CountError(SyncConfig& config) { ++config.errorCount; }

bool IsLink(std::uint32_t attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Copies and logs; clears the read-only bit the copy carried over when
// asked, once the copy stands under its final name. True when the file was
// copied. A file to be copied only where absent is left as it is when the
// file system has it after all (one has appeared since the scan).
// `sourceSize`: what the run's picture says the source holds; a copy that
// ends with any other size failed.
bool CopyAndLog(SyncConfig& config, const std::string& source, const std::string& target,
                std::uint64_t sourceSize, DWORD sourceAttributes, bool targetExists, bool targetIsLink,
                bool onlyIfAbsent = false, ReleasedFile release = {}) {
  std::uint32_t error = 0;
  std::string keptAside;
  const CopyOutcome result = CopyIntoPlace(config, source.c_str(), target.c_str(), sourceSize, targetExists,
                                           targetIsLink, onlyIfAbsent, error, keptAside, release);
  if (result == CopyOutcome::NameTaken) return false;  // not an action: nothing to say
  if (result == CopyOutcome::NotReleased) {
    ErrorLog() << "Ошибка: файл \"" << source
               << "\" не совпадает с подписанным списком источника, не скопирован" << EndLine;
    CountError(config);
    return false;
  }
  if (result == CopyOutcome::Failed) {
    if (config.Stopped() && keptAside.empty()) return false;  // cancelled by the user: nothing more is written
    // The system's reason, so that access denied, a file locked by another
    // program and a full disk can be told apart.
    ErrorLog() << "Ошибка копирования файла \"" << source << "\" в \"" << target << "\""
               << ReasonSuffix(error, SystemMessage(error))
               << (keptAside.empty() ? std::string() : KeptAsideText(keptAside)) << EndLine;
    CountError(config);
    return false;
  }
  StatsLog() << CopyFileLine(source, target) << EndLine;
  ++config.filesCopied;
  // Through the copy's own extended path: the narrow call would drop a
  // trailing dot or space and set the attributes of another file.
  if (config.clearReadOnly && (sourceAttributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(ExtendedWidePath(target.c_str()).c_str(), sourceAttributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return true;
}

// A file of a published release whose size or time on the share is no
// longer what the listing says; `size` is then its size on the share now.
// (A file that is gone is left to the copy, which reports it as any failed
// copy.)
bool ChangedSincePublished(const std::string& source, const FileEntry& entry, std::uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &now)) return false;
  size = (static_cast<std::uint64_t>(now.nFileSizeHigh) << 32) | now.nFileSizeLow;
  return size != entry.size || now.ftLastWriteTime.dwLowDateTime != entry.lastWriteTime.low ||
         now.ftLastWriteTime.dwHighDateTime != entry.lastWriteTime.high;
}

// Holds the source directory of the files being copied open while they
// are. Over a share every request is a round trip, and a file opened while
// nothing else of its directory is open costs one more: the file system's
// details are asked for again with each one (measured under Wine: one
// request per copied file without the handle, one per directory with it).
// Nothing is read through the handle, and it shares everything.
class SourceDirectoryHold {
 public:
  void For(const std::string& sourceFile) {
    const std::size_t end = sourceFile.find_last_of('\\');
    if (end == std::string::npos) return;
    // Tried once per directory: a directory that cannot be opened costs no
    // request per file.
    if (directory_.size() == end && sourceFile.compare(0, end, directory_) == 0) return;
    directory_.assign(sourceFile, 0, end);
    held_.Reset(CreateFileW(ExtendedWidePath(directory_.c_str()).c_str(), FILE_LIST_DIRECTORY,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  }

 private:
  std::string directory_;
  win32::ScopedFile held_;
};

// A removed tree counts as one item deleted once nothing is left of it
// (files kept as the user's keep their directory).
void CountIfGone(SyncConfig& config, const std::string& path) {
  if (GetFileAttributesW(ExtendedWidePath(path.c_str()).c_str()) == INVALID_FILE_ATTRIBUTES) {
    ++config.itemsDeleted;
  }
}

// The run's own actions: each one done, logged, and its failure counted.
class TargetActions : public PhaseActions {
 public:

  void OnRemoveCutEntry(SyncConfig& config, const std::string& path) override {
    if (!links_.MayWriteIn(config, ParentOf(path))) return;
    DeleteTree(config, path);
    CountIfGone(config, path);
  }

  void OnTidyLeftover(SyncConfig&, const LeftoverFile& leftover) override { TidyLeftover(leftover); }

  void OnWorkBegins(SyncConfig& config, const WorkTotals& totals) override {
    HWND__* window = config.progressWindowHandle;
    SendProgressText(window, "Копирование");
    StatsLog() << "собственно, синхронизация:" << EndLine;
    if (window != nullptr) SendProgressStart(window, totals);
  }

  void OnRemoveDirectory(SyncConfig& config, const std::string& directory) override {
    if (!links_.MayWriteIn(config, ParentOf(directory))) return;
    StatsLog() << RemoveDirectoryLine(directory) << EndLine;
    // Files kept as the user's ([Пропустить существующие]) stay, and so
    // does the directory around them.
    DeleteTree(config, directory, SystemLister(), KeepSkippedFiles::Yes);
    CountIfGone(config, directory);
  }

  void OnRemoveFile(SyncConfig& config, const std::string& path, const FileEntry& entry) override {
    if (!links_.MayWriteIn(config, ParentOf(path))) return;
    StatsLog() << RemoveFileLine(path) << EndLine;
    std::uint32_t error = 0;
    if (RemoveTargetFile(&config, path.c_str(), entry.attributes, error)) {
      ++config.itemsDeleted;
      return;
    }
    ErrorLog() << "Ошибка " << error << " удаления файла \"" << path << "\"" << EndLine;
    CountError(config);
  }

  void OnCreateDirectory(SyncConfig& config, const std::string& path) override {
    if (!links_.MayWriteIn(config, ParentOf(path))) return;
    StatsLog() << CreateDirectoryLine(path) << EndLine;
    // The extended path, as the copies take it: the narrow call would drop
    // a trailing dot or space and find another directory.
    if (CreateDirectoryW(ExtendedWidePath(path.c_str()).c_str(), nullptr)) {
      links_.Created(path);
      return;
    }
    const DWORD error = GetLastError();
    ErrorLog() << "Ошибка " << error << " создания каталога \"" << path << "\"" << EndLine;
    CountError(config);
  }

  void OnCopyFile(SyncConfig& config, const std::string& source, const std::string& target,
                  const FileEntry& entry) override {
    if (!links_.MayWriteIn(config, ParentOf(target))) return;
    const std::string progress = std::string("Копирование ...\\") + entry.name;
    SendProgressText(config.progressWindowHandle, progress.c_str());
    sourceDirectory_.For(source);
    const bool isLink = IsLink(entry.attributes);
    // A signed release's file is copied only as the release holds it, and
    // with the release's time: its hash tells a changed file, no look at
    // the share is needed.
    ReleasedFile release;
    if (entry.hashIndex < config.sourceHashes.size()) {
      release.hash = &config.sourceHashes[entry.hashIndex];
      if (!isLink) release.lastWriteTime = &entry.lastWriteTime;
    }
    // Otherwise a file changed since publication is taken as it is now, so
    // its copy is held to the size the share gives now, not the listed one.
    std::uint64_t sizeNow = 0;
    const bool changedSincePublished =
        config.sourceFromListing && release.hash == nullptr && ChangedSincePublished(source, entry, sizeNow);
    const std::uint64_t sourceSize = isLink ? kSizeNotKnown : changedSincePublished ? sizeNow : entry.size;
    if (CopyAndLog(config, source, target, sourceSize, entry.attributes, !entry.isNew, entry.targetIsLink,
                   entry.onlyIfAbsent, release) &&
        changedSincePublished) {
      // Taken as it is now, which is not the release that was published.
      ErrorLog() << "Ошибка: файл \"" << source
                 << "\" изменен после публикации списка источника, опубликуйте список заново" << EndLine;
      CountError(config);
    }
  }

  void OnCopyPair(SyncConfig& config, const std::string& source, const std::string& target,
                  std::uint64_t sourceSize, std::uint32_t sourceAttributes, bool targetExists,
                  bool targetIsLink, std::uint32_t releaseHashIndex) override {
    // A read-only target is replaced like any other (see CopyIntoPlace).
    if (!links_.MayWriteIn(config, ParentOf(target))) return;
    ReleasedFile release;  // the pair's source keeps its own time
    if (releaseHashIndex < config.sourceHashes.size()) release.hash = &config.sourceHashes[releaseHashIndex];
    (void)CopyAndLog(config, source, target, sourceSize, sourceAttributes, targetExists, targetIsLink, false,
                     release);
  }

  void OnWorkEnds(SyncConfig& config) override { SendProgressEnd(config.progressWindowHandle); }

 private:
  SourceDirectoryHold sourceDirectory_;
  LinkGuard links_;
};

}  // namespace

std::unique_ptr<PhaseActions> MakeTargetActions() { return std::make_unique<TargetActions>(); }
