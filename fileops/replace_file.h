#pragma once
// Every copy into the target is written to a temporary file beside its
// final name and renamed into place once complete (see temporary_name.h).
// A run killed, a disk that fills, a source that cannot be read half way:
// the final name then still holds the old file as it was, or nothing.
//
// Changing a file of the target goes the same way, never through it. A file
// in the target may be a link (or a hard link) to a file elsewhere: a copy
// onto it would write that file, an attribute call would change it, and
// under Wine deleting a link deletes the file it points to. Wine does not
// even show a file link as one. So an existing target file is never opened
// for writing or deleted in place: the new file is renamed over it, which
// replaces the directory entry itself (the link, not what it points to), on
// Windows and under Wine.
#include <cstdint>
#include <string>

#include "model/file_time.h"  // kSizeNotKnown
#include "model/sha256_digest.h"

class SyncConfig;

enum class CopyOutcome {
  Copied,       // the copy stands under its final name
  Failed,       // nothing changed under the final name
  NameTaken,    // only-if-absent, and a file appeared there: left alone
  NotReleased,  // the copy's bytes are not the signed release's: not put in place
};

// Copies `source` to `target` through a temporary beside it. A target
// another program has open is dealt with as files_in_use.h says. `targetExists`:
// the listing showed a file there, which the copy replaces; otherwise the
// rename never replaces anything, and a file that has appeared under the
// name since the listing (a link made meanwhile, a file an aside file was
// moved back to) is left alone when `onlyIfAbsent`, replaced like a listed
// one otherwise, but never renamed aside. `targetIsLink`: the
// listing showed the target as a link, whose attributes must not be
// touched. `sourceSize`: the source's size as the run's picture gives it;
// a temporary of any other size is a torn copy and never put in place
// (kSizeNotKnown: the picture cannot say, nothing is compared). On failure
// the temporary is removed when it still can be; `error` holds the
// system's code of the step that failed; a torn copy, for which the system
// has none, gives ERROR_HANDLE_EOF when it came out shorter than
// `sourceSize` and ERROR_FILE_INVALID when longer.
// `keptAside` names the old file's aside name when it was renamed aside,
// the copy could not take its name and it could not be moved back (a later
// run moves it back).
// `release`: what a signed release says of the file (see ReleasedFile); a
// copy whose bytes hash otherwise is removed and never put in place.
struct ReleasedFile {
  const Sha256Digest* hash = nullptr;  // null: no release lists the file
  // The time the release gives the file, which its copy takes; null: the
  // source's own, as the system's copy gives it.
  const FileTime* lastWriteTime = nullptr;
};

[[nodiscard]] CopyOutcome CopyIntoPlace(SyncConfig& config, const char* source, const char* target,
                                        std::uint64_t sourceSize, bool targetExists, bool targetIsLink,
                                        bool onlyIfAbsent, std::uint32_t& error, std::string& keptAside,
                                        ReleasedFile release = {});

// Removes the target file `path`: replaced by an empty file of the run's
// own, which is then deleted. `attributes`: what the listing showed. `run`:
// the run whose file it is, which deals with a file in use as
// files_in_use.h says; null for a file that is simply left when in use.
[[nodiscard]] bool RemoveTargetFile(SyncConfig* run, const char* path, std::uint32_t attributes, std::uint32_t& error);
