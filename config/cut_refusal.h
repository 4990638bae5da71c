#pragma once
// Which [Вырезать] entries written as full paths a run refuses to delete.
// Such an entry outside the source and the target is deleted where it
// points; written as a drive, the target's parent or the Users folder it
// would take the client, the user's data or the system with it. The
// decision is on the entry's forms (see config/path_nesting.h), so that
// "..", an extended prefix, a short name, a mapped drive or a junction
// cannot spell a guarded folder in a way the rule does not see.
#include <vector>

#include "config/path_nesting.h"

// The folders a cut entry must never take, each under all its forms.
struct GuardedFolders {
  PathForms source;
  PathForms target;
  std::vector<PathForms> ownFiles;  // the logs, the ini file, the executable
  // The system's own folders: Windows, both Program Files, ProgramData,
  // Users, the user's profile. Only they themselves and the folders above
  // them are guarded; what lies inside them (an old installation under
  // Program Files) may still be cut.
  std::vector<PathForms> system;
};

enum class CutRefusal {
  None,          // deleted as written
  Root,          // a drive or a share root
  Target,        // the target or a folder above it
  Source,        // the source or a folder above it
  OwnFile,       // the program, its ini file or a folder above them
  InsideSource,  // a full path into the source that did not read as one
  SystemFolder,  // one of the system's own folders or a folder above one
};

// Why `entry` (all its forms) must not be deleted, or None.
[[nodiscard]] CutRefusal RefusalOfCutPath(const PathForms& entry, const GuardedFolders& folders);

// The refusal's reason as the error log words it (Windows-1251), after
// `Ошибка: путь "<entry>" в секции [Вырезать] `.
[[nodiscard]] const char* CutRefusalReason(CutRefusal refusal);
