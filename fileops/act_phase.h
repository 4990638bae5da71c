#pragma once
// The act phase: a plan's actions done in order. Every action goes to
// StatsLog, every failure to ErrorLog and the error count; the run goes on
// with the next item.
#include <cstdint>
#include <string>
#include <vector>

class SyncConfig;
struct FileEntry;
struct LeftoverFile;
struct Plan;
struct WorkTotals;

// What is done with each action. The plan has decided what is removed,
// created and copied; the checks only an action's moment can make (a path
// too long for the buffers, a pair's times) are the phase's, made once for
// both: the run's actions do the work and log it, the preview's write it
// down and touch nothing.
class PhaseActions {
 public:
  virtual ~PhaseActions() = default;
  virtual void OnRemoveCutEntry(SyncConfig& config, const std::string& path) = 0;
  virtual void OnTidyLeftover(SyncConfig& config, const LeftoverFile& leftover) = 0;
  // Between the tidying and the work the progress window counts.
  virtual void OnWorkBegins(SyncConfig& config, const WorkTotals& totals) = 0;
  // A target-only directory; `directory` ends with a backslash.
  virtual void OnRemoveDirectory(SyncConfig& config, const std::string& directory) = 0;
  virtual void OnRemoveFile(SyncConfig& config, const std::string& path, const FileEntry& entry) = 0;
  virtual void OnCreateDirectory(SyncConfig& config, const std::string& path) = 0;
  virtual void OnCopyFile(SyncConfig& config, const std::string& source, const std::string& target,
                          const FileEntry& entry) = 0;
  // `sourceSize`: the size the source's attributes gave when the pair was
  // compared; `releaseHashIndex`: where the signed release's hash of the
  // source stands in config.sourceHashes (kNoHash: none).
  virtual void OnCopyPair(SyncConfig& config, const std::string& source, const std::string& target,
                          std::uint64_t sourceSize, std::uint32_t sourceAttributes, bool targetExists,
                          bool targetIsLink, std::uint32_t releaseHashIndex) = 0;
  virtual void OnWorkEnds(SyncConfig& config) = 0;
};

// The tidying actions, then the work: removals, new directories and
// copies, the file pairs. The first form does them in the target.
void ActOnPlan(SyncConfig& config, const Plan& plan);
void ActOnPlan(SyncConfig& config, const Plan& plan, PhaseActions& actions);
