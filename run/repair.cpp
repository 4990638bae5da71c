#include "run/repair.h"

#include <string>
#include <vector>

#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "log/logs.h"
#include "model/file_time.h"
#include "win32/file_hash.h"

namespace {

// A file the target holds as the release lists it, to be hashed; its
// path is its directory's (an index into a list of them) and its name.
struct InstalledFile {
  FileEntry* installed;
  std::uint32_t hashIndex;
  std::size_t directory;
};

void CollectDirectory(const SyncConfig& config, DirNode* source, DirNode* target, const std::string& targetPath,
                      std::vector<std::string>& directories, std::vector<InstalledFile>& files) {
  if (target->record.HasFlags(DIR_MISSING)) return;
  directories.push_back(targetPath);
  for (const FileEntry& entry : source->record.entries) {
    if (entry.hashIndex >= config.sourceHashes.size()) continue;
    FileEntry* installed = FindEntry(target->record, entry.name);
    if (installed == nullptr || (installed->attributes & kAttributeReparsePoint) != 0 ||
        !SameFile(entry.lastWriteTime, ComparableSize(entry), installed->lastWriteTime, installed->size)) {
      continue;  // copied again by the comparison anyway, or a link that is replaced
    }
    files.push_back({installed, entry.hashIndex, directories.size() - 1});
  }
  DirNode* targetChild = target->firstChild;
  for (DirNode* sourceChild = source->firstChild; sourceChild != nullptr && targetChild != nullptr;
       sourceChild = sourceChild->nextSibling, targetChild = targetChild->nextSibling) {
    CollectDirectory(config, sourceChild, targetChild, targetPath + targetChild->record.name + "\\", directories,
                     files);
  }
}

}  // namespace

void MarkDamagedTargetFiles(SyncConfig& config, DirNode* source, DirNode* target) {
  std::vector<std::string> directories;
  std::vector<InstalledFile> files;
  CollectDirectory(config, source, target, config.targetDir, directories, files);
  const auto pathOf = [&](const InstalledFile& file) { return directories[file.directory] + file.installed->name; };
  HashFilesInTurn(
      files.size(), [&](std::size_t i) { return ExtendedWidePath(pathOf(files[i]).c_str()); },
      [&](std::size_t i, const FileHash& hash) {
        if (config.StopRequested()) return false;
        const InstalledFile& file = files[i];
        ++config.repairChecked;
        if (hash.hashed && hash.digest == config.sourceHashes[file.hashIndex]) return true;
        ++config.repairDamaged;
        StatsLog() << "файл \"" << pathOf(file) << "\" не совпадает с выпуском, копируется заново" << EndLine;
        file.installed->lastWriteTime = FileTime{};
        return true;
      });
}
