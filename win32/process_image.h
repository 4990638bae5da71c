#pragma once
// Where a running process was started from: the full path of its
// executable, in the ANSI code page.
#include <windows.h>

#include <string>

// The full path of the process's executable. Asked of the process itself
// (QueryFullProcessImageNameW), which works whatever the bitness of either
// side; the module list, which a 32-bit program cannot read from a 64-bit
// process, only when that fails. False when neither gives a path, or when
// the path has a character Windows-1251 cannot hold: such a path can never
// be a narrow configured path, and a look-alike must not pass for one.
[[nodiscard]] bool ProcessImagePath(DWORD processId, std::string& path);
