#include "run/repair.h"

#include <string>

#include "config/sync_config.h"
#include "fileops/long_path_copy.h"
#include "log/logs.h"
#include "model/file_time.h"
#include "win32/file_hash.h"

namespace {

void MarkDirectory(SyncConfig& config, DirNode* source, DirNode* target, const std::string& targetPath) {
  if (target->record.HasFlags(DIR_MISSING) || config.StopRequested()) return;
  for (const FileEntry& entry : source->record.entries) {
    if (entry.hashIndex >= config.sourceHashes.size()) continue;
    FileEntry* installed = FindEntry(target->record, entry.name);
    if (installed == nullptr || (installed->attributes & kAttributeReparsePoint) != 0 ||
        !SameFile(entry.lastWriteTime, ComparableSize(entry), installed->lastWriteTime, installed->size)) {
      continue;  // copied again by the comparison anyway, or a link that is replaced
    }
    const std::string path = targetPath + installed->name;
    Sha256Digest digest;
    std::uint64_t bytes = 0;
    unsigned long error = 0;
    ++config.repairChecked;
    if (Sha256OfFile(ExtendedWidePath(path.c_str()), digest, bytes, error) &&
        digest == config.sourceHashes[entry.hashIndex]) {
      continue;
    }
    ++config.repairDamaged;
    StatsLog() << "файл \"" << path << "\" не совпадает с выпуском, копируется заново" << EndLine;
    installed->lastWriteTime = FileTime{};
  }
  DirNode* targetChild = target->firstChild;
  for (DirNode* sourceChild = source->firstChild; sourceChild != nullptr && targetChild != nullptr;
       sourceChild = sourceChild->nextSibling, targetChild = targetChild->nextSibling) {
    MarkDirectory(config, sourceChild, targetChild, targetPath + targetChild->record.name + "\\");
  }
}

}  // namespace

void MarkDamagedTargetFiles(SyncConfig& config, DirNode* source, DirNode* target) {
  MarkDirectory(config, source, target, config.targetDir);
}
