#pragma once
// The newest signed release a target has accepted: its publish time, kept
// in "velkarin.release" in the target, one of the program's own files. A
// signed listing published before it is refused, so that an old release,
// signed as it once was, cannot be put back on the share to undo a fix.
// Rolling back is publishing the old files again, with a new time.
#include "model/snapshot.h"

inline constexpr const char* kAcceptedReleaseFileName = "velkarin.release";

// The accepted publish time of the target `targetDir` (ends with a
// backslash); false when none was kept (or the file does not read as one).
[[nodiscard]] bool ReadAcceptedRelease(const char* targetDir, FileTime& published);

// Keeps `published` as the accepted time, through a temporary renamed into
// place. False when it could not be written.
[[nodiscard]] bool KeepAcceptedRelease(const char* targetDir, FileTime published);

// Publish times in order.
[[nodiscard]] inline bool Earlier(FileTime a, FileTime b) {
  return a.high != b.high ? a.high < b.high : a.low < b.low;
}
