#pragma once
// Applying the work lists to the target: removals first, then new
// directories and file copies, then the file pairs. Every action goes to
// StatsLog, every failure to ErrorLog and the error count; the run goes on
// with the next item.
#include <cstdint>
#include <string>

class SyncConfig;
struct FileEntry;

// What the phase does with each item it has decided to act on. The
// decisions (what is deleted, created, copied) are the phase's own, made
// once for both: the run's actions do the work and log it, the preview's
// write it down and touch nothing.
class PhaseActions {
 public:
  virtual ~PhaseActions() = default;
  // A target-only directory; `directory` ends with a backslash.
  virtual void OnRemoveDirectory(SyncConfig& config, const std::string& directory) = 0;
  virtual void OnRemoveFile(SyncConfig& config, const std::string& path, const FileEntry& entry) = 0;
  virtual void OnCreateDirectory(SyncConfig& config, const std::string& path) = 0;
  virtual void OnCopyFile(SyncConfig& config, const std::string& source, const std::string& target,
                          const FileEntry& entry) = 0;
  // `sourceSize`: the size the source's attributes gave when the pair was
  // compared.
  virtual void OnCopyPair(SyncConfig& config, const std::string& source, const std::string& target,
                          std::uint64_t sourceSize, std::uint32_t sourceAttributes, bool targetExists,
                          bool targetIsLink) = 0;
};

// The deletion pass over targetWorkList, then the creation and copy pass
// over sourceWorkList.
void ApplyRegistry(SyncConfig& config);
void ApplyRegistry(SyncConfig& config, PhaseActions& actions);

// Copies each [Проверить пары] source file over its target file when their
// last-write times differ.
void CopyPairs(SyncConfig& config);
void CopyPairs(SyncConfig& config, PhaseActions& actions);
