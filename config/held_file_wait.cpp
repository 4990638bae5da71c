#include "config/held_file_wait.h"

bool ParseHeldFileWait(const std::string& value, HeldFileWait& wait) {
  unsigned seconds = kDefaultHeldFileWaitSeconds;
  if (!value.empty()) {
    if (value.size() > 3) return false;
    seconds = 0;
    for (const char c : value) {
      if (c < '0' || c > '9') return false;
      seconds = seconds * 10 + static_cast<unsigned>(c - '0');
    }
    if (seconds > kMostHeldFileWaitSeconds) return false;
  }
  wait.budgetMs = seconds * 1000;
  const unsigned tries = wait.budgetMs / kHeldFileRetryIntervalMs;
  wait.retriesPerFile = (tries + 2) / 3;
  return true;
}
