#pragma once
// The program's two kinds of box. The entry's and the configuration
// reader's: no owner window, the program's caption. The worker's: owned by
// the progress window, the caption "Синхронизация", the warning icon.
#include <windows.h>

inline constexpr const char* kProgramCaption = "velkarin";
inline constexpr const char* kWorkerCaption = "Синхронизация";

// MessageBoxA with no owner and the caption "velkarin"; returns the answer.
int ShowProgramBox(const char* text, unsigned type);

// MessageBoxA owned by `window` (null when there is none), the caption
// "Синхронизация" and the warning icon; `buttons` as MB_OK or MB_YESNO.
// Returns the answer.
int ShowWorkerBox(HWND window, const char* text, unsigned buttons);
