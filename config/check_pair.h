#pragma once
#include <cstdint>
#include <string>

#include "model/sha256_digest.h"

// One [Проверить пары] line "target name=source name": two files that hold
// the same content under different names.
struct CheckPair {
  std::string sourceName;  // after the first "="
  std::string targetName;  // before it
  // The signed release's hash of the source (kNoHash: none).
  std::uint32_t sourceHashIndex = kNoHash;
};
