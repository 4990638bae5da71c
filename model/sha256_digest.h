#pragma once
// A file's SHA-256, as a signed release lists it.
#include <array>
#include <cstdint>

using Sha256Digest = std::array<std::uint8_t, 32>;

// A file entry whose release lists no hash for it (a scan, an unsigned
// listing).
constexpr std::uint32_t kNoHash = 0xFFFFFFFFu;
