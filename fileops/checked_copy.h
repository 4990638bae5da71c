#pragma once
// A copy that hashes the bytes as they pass. A signed release's file is
// checked on the way in, not read back from the target afterwards: the
// bytes the share gave are the bytes written, so the digest of what was
// read is the digest of the copy, for one read of each file instead of two.
#include <cstdint>

#include "model/sha256_digest.h"
#include "model/snapshot.h"  // FileTime

class SyncConfig;

// Copies `source` to the new file `target` as the system's copy does with
// "fail if it exists": the file is created new (anything standing under
// the name fails the copy with ERROR_FILE_EXISTS and is never written) and
// gets the source's attributes and last-write time (`lastWriteTime`
// instead, when not null: the time a release gives it). `digest` and `bytes`:
// the SHA-256 of every byte read and how many there were. The run's window
// hears how far a large file has got, a paused run waits between chunks,
// and a stopped one ends the copy there (ERROR_REQUEST_ABORTED). False with
// the system's code as the last error (0 when the system could not hash);
// whatever was written stays for the caller to remove.
[[nodiscard]] bool CopyFileHashing(const SyncConfig& config, const char* source, const char* target,
                                   const FileTime* lastWriteTime, Sha256Digest& digest, std::uint64_t& bytes);
