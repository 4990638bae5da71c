#pragma once
#include <string>

// One [Проверить пары] line "target name=source name": two files that hold
// the same content under different names.
struct CheckPair {
  std::string sourceName;  // after the first "="
  std::string targetName;  // before it
};
