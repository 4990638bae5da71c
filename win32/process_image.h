#pragma once
// Where a running process was started from: the full path of its
// executable, in the ANSI code page. Each is false when it gives no path,
// or when the path has a character Windows-1251 cannot hold: such a path
// can never be a narrow configured path, and a look-alike must not pass for
// one.
#include <windows.h>

#include <string>

// The image path asked of the process itself (QueryFullProcessImageNameW):
// it works whatever the bitness of either side. It is the path as the
// system resolved it when the image was opened.
[[nodiscard]] bool QueriedImagePath(DWORD processId, std::string& path);

// The path of the process's first module, its executable, as the process
// was started from it. A 32-bit program cannot read this of a 64-bit
// process, nor can anyone of another user's.
[[nodiscard]] bool FirstModulePath(DWORD processId, std::string& path);
