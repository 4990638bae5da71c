#pragma once
#include <string>

// What directory creation throws: the Russian message and the system error
// code that explains it. The code travels with the text because the
// thread's last error does not survive the unwinding to the handler (the
// exception machinery resets it).
struct DirectoryCreationError {
  std::string text;
  unsigned long systemError = 0;
};

// Creates a directory path level by level. The first failure throws a
// DirectoryCreationError; levels already created stay.
void CreateDirectoryPath(const char* path);
