#pragma once
// Changing a file of the target without going through it. A file in the
// target may be a link (or a hard link) to a file elsewhere: a copy onto it
// would write that file, an attribute call would change it, and under Wine
// deleting a link deletes the file it points to. Wine does not even show a
// file link as one. So an existing target file is never opened for writing
// or deleted in place: a new file is made beside it and renamed over it,
// which replaces the directory entry itself (the link, not what it points
// to), on Windows and under Wine. An update is then also all or nothing: a
// copy that fails half way leaves the old file as it was.
#include <cstdint>

class SyncConfig;

// Replaces `target` by a copy of `source` made beside it. `targetIsLink`:
// the listing showed the target as a link, whose attributes must not be
// touched. On failure nothing is left behind; `error` holds the system's
// code, or 0 when the copy itself failed (copies report no code).
[[nodiscard]] bool ReplaceWithCopy(const SyncConfig& config, const char* source, const char* target,
                                   bool targetIsLink, std::uint32_t& error);

// Removes the target file `path`: replaced by an empty file of the run's
// own, which is then deleted. `attributes`: what the listing showed.
[[nodiscard]] bool RemoveTargetFile(const char* path, std::uint32_t attributes, std::uint32_t& error);
