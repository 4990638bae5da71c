#pragma once
// The program's two kinds of box. The entry's and the configuration
// reader's: no owner window, the program's caption. The worker's: owned by
// the progress window, the caption "Синхронизация", the warning icon.
#include <windows.h>

inline constexpr const char* kProgramCaption = "velkarin";
inline constexpr const char* kWorkerCaption = "Синхронизация";

// Unattended ("/s"): no box is shown and none waits for an answer. A
// question is answered No (nothing is generated, nothing started), any
// other box OK. A box's text that no log holds yet (before the target's
// logs are open: the ini file, /p's and /l's results) becomes one line of
// the process's standard error, which a script may redirect.
void SetUnattended(bool unattended);
[[nodiscard]] bool Unattended();

// MessageBoxA with no owner and the caption "velkarin"; returns the answer.
int ShowProgramBox(const char* text, unsigned type);

// MessageBoxA owned by `window` (null when there is none), the caption
// "Синхронизация" and the warning icon; `buttons` as MB_OK or MB_YESNO.
// Returns the answer.
int ShowWorkerBox(HWND window, const char* text, unsigned buttons);
