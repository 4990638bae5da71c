#pragma once
// ОжиданиеЗанятыхФайлов: how long a run may wait, in all, for target files
// that other programs hold open without sharing. A file is tried again
// every quarter of a second; the tries one file may have grow with the
// budget, about a third of it each, so that one file cannot take it all.
#include <cstdint>
#include <string>

inline constexpr std::uint32_t kHeldFileRetryIntervalMs = 250;
inline constexpr unsigned kDefaultHeldFileWaitSeconds = 3;
inline constexpr unsigned kMostHeldFileWaitSeconds = 60;

struct HeldFileWait {
  std::uint32_t budgetMs = kDefaultHeldFileWaitSeconds * 1000;
  unsigned retriesPerFile = 4;
};

// The wait for a value of whole seconds, 0 to 60 (0: no waiting at all);
// an empty value is the default of 3 seconds. False for anything else.
[[nodiscard]] bool ParseHeldFileWait(const std::string& value, HeldFileWait& wait);
