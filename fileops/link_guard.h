#pragma once
// Never writes below a link. The scans leave out of the run every linked
// directory they meet, but the picture is not the file system: a name that
// the file system takes for another (a case it folds, a listing from
// elsewhere), or a link made after the scan, would have copies, renames and
// deletions go through it to wherever it points. So before the run writes
// into a directory it did not create itself, it looks at each directory on
// the way down from the target root, once per run, and refuses a path with
// a link on it: one error line and count for the directory, nothing done
// in it. (The target root itself may be a link: it is the administrator's
// choice.)
#include <string>
#include <unordered_map>

class SyncConfig;

class LinkGuard {
 public:
  // True when nothing on the way from the target root down to `directory`
  // (a path below the target root, with or without the root marker and a
  // trailing backslash) is a link; otherwise logs and counts the first time.
  // A path outside the target root is not the guard's: true.
  [[nodiscard]] bool MayWriteIn(SyncConfig& config, const std::string& directory);
  // `directory` was created by this run: nothing of it can be a link.
  void Created(const std::string& directory);

 private:
  enum class State { Plain, Link };
  std::unordered_map<std::string, State> known_;  // by folded path
  std::string lastPlain_;  // the last directory found free of links, as asked
};

// The directory part of `path` (without its last component).
[[nodiscard]] std::string ParentOf(const std::string& path);
