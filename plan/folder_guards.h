#pragma once
// The run's guards on whole folders, decided before anything is scanned or
// deleted: a source and a target that overlap, and [Вырезать] entries
// written as full paths that name a drive, a folder the run depends on or
// one of the system's own folders. Both compare the forms under which the
// file system knows the paths (config/final_path_forms.h), so that "..",
// an extended prefix, another case, a short name, a mapped drive or a
// junction cannot spell a guarded folder unseen. Each refusal is one
// counted line in the error log.
#include <string>

#include "config/cut_refusal.h"

class SyncConfig;

// The source and the target under the forms the file system knows them by.
struct RootForms {
  PathForms source;
  PathForms target;
};

[[nodiscard]] RootForms RootFormsOf(const SyncConfig& config);

// True, with the error logged and counted, when the source and the target
// are the same directory or one lies inside the other: the source would be
// a target-only directory of the target, and a run with deletion on would
// delete the share. Nothing may then be done at all.
[[nodiscard]] bool RefusedAsOverlapping(SyncConfig& config, const RootForms& roots);

// What a full-path cut entry outside both roots must never take. The
// system is asked for its folders only when such an entry comes.
class CutGuard {
 public:
  CutGuard(SyncConfig& config, const RootForms& roots) : config_(config), roots_(roots) {}

  // True, with the error logged and counted, for a full-path entry that
  // names a root, a folder the run depends on or one of the system's own
  // folders: it is not deleted.
  [[nodiscard]] bool Refused(const std::string& entry);

 private:
  const GuardedFolders& Folders();

  SyncConfig& config_;
  const RootForms& roots_;
  GuardedFolders folders_;
  bool asked_ = false;
};
