#pragma once
#include "config/limits.h"

// КаталогИсточник of the ini file at `iniPath` (default: the current
// directory) in full form with one trailing backslash, as a run takes it;
// nothing else is read, created or opened. False when it is empty or does
// not fit.
[[nodiscard]] bool ReadSourceDirectory(const char* iniPath, char (&sourceDir)[kPathSize]);
