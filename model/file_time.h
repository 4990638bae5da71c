#pragma once
#include <cstdint>

#include "model/snapshot.h"

// Two last-write times count as the same when their high halves are equal
// and their low halves are at most 2 s (20,000,000 units) apart: copies
// through some file systems round times to two seconds. The difference is
// taken in 64 bits: as a signed 32-bit number it wraps around for halves
// about 429 s apart and a changed file would pass for unchanged.
[[nodiscard]] inline bool SameWriteTime(FileTime a, FileTime b) noexcept {
  if (a.high != b.high) return false;
  const std::int64_t difference = static_cast<std::int64_t>(a.low) - static_cast<std::int64_t>(b.low);
  return difference <= 20000000 && difference >= -20000000;
}

// A listed size that says nothing of the file: on Windows a file link is
// listed with size 0 and is read (and copied) as the file it leads to.
constexpr std::uint64_t kSizeNotKnown = ~std::uint64_t{0};

// The size of a listed file that a comparison may hold against another.
[[nodiscard]] inline std::uint64_t ComparableSize(const FileEntry& entry) noexcept {
  return (entry.attributes & kAttributeReparsePoint) != 0 ? kSizeNotKnown : entry.size;
}

// A target file is the source's own when the times agree and, where the
// source's size means anything, the sizes agree too. A copy torn by a power
// cut or a file cut short keeps a time that agrees: only its size tells.
[[nodiscard]] inline bool SameFile(FileTime sourceTime, std::uint64_t sourceSize, FileTime targetTime,
                                   std::uint64_t targetSize) noexcept {
  return SameWriteTime(sourceTime, targetTime) && (sourceSize == kSizeNotKnown || sourceSize == targetSize);
}
