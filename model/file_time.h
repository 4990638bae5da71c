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
