#pragma once
#include "model/limits.h"

enum class SourceDirectoryRead {
  Read,
  NotSet,          // empty, or too long for the field
  NotWindows1251,  // holds characters Windows-1251 lacks
  FileUnreadable,  // the ini file could not be read
};

// КаталогИсточник of the ini file at `iniPath` (default: the current
// directory) in full form with one trailing backslash, as a run takes it;
// nothing else is read, created or opened. `sourceDir` is left empty unless
// it was read; `readError` is the system's code when the file was not.
[[nodiscard]] SourceDirectoryRead ReadSourceDirectory(const char* iniPath, char (&sourceDir)[kPathSize],
                                                      unsigned long& readError);
