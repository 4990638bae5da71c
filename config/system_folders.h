#pragma once
// The system's own folders, as the system names them, which no [Вырезать]
// entry may take: the Windows folder, both Program Files folders,
// ProgramData, the Users folder and the user's profile.
#include <string>
#include <vector>

// Each folder the system reports (those it does not report are left out),
// as written by the system.
[[nodiscard]] std::vector<std::wstring> SystemFolders();
