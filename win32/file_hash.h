#pragma once
// The SHA-256 of a file's bytes, read once from start to end.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "model/sha256_digest.h"

// Reads the file at `path` (an extended-length wide path, opened for
// reading and sharing everything but writing) and gives its digest and
// how many bytes it held. False with the system's code in `error` (0 when
// the system could not hash at all).
[[nodiscard]] bool Sha256OfFile(const std::wstring& path, Sha256Digest& digest, std::uint64_t& bytes,
                                unsigned long& error);

// What hashing one file gave: its digest and size when `hashed`, else the
// system's code in `error` (0 when the system could not hash).
struct FileHash {
  Sha256Digest digest{};
  std::uint64_t bytes = 0;
  unsigned long error = 0;
  bool hashed = false;
};

// Hashes `count` files in turn, `pathOf(i)` naming file i as Sha256OfFile
// takes it, on two threads: this one reads each file, a second one hashes
// what was read, so that reading a file overlaps hashing the one before.
// When the process may use more than one processor the whole takes about
// as long as the slower of the two rather than both; on one, it is all done
// on this thread. `done(i, hash)` is called on
// this thread, in order of i, once file i is hashed; returning false stops
// the rest (what was read meanwhile is dropped).
void HashFilesInTurn(std::size_t count, const std::function<std::wstring(std::size_t)>& pathOf,
                     const std::function<bool(std::size_t, const FileHash&)>& done);
