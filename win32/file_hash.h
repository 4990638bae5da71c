#pragma once
// The SHA-256 of a file's bytes, read once from start to end.
#include <cstdint>
#include <string>

#include "model/sha256_digest.h"

// Reads the file at `path` (an extended-length wide path, opened for
// reading and sharing everything but writing) and gives its digest and
// how many bytes it held. False with the system's code in `error` (0 when
// the system could not hash at all).
[[nodiscard]] bool Sha256OfFile(const std::wstring& path, Sha256Digest& digest, std::uint64_t& bytes,
                                unsigned long& error);
