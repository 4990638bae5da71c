#pragma once
// How the worker shows a status text, and how far the copy phase has got,
// in the progress window. Both wait in a mailbox that the window empties on
// every tick of its animation (5 ms): the worker never waits for the window
// thread nor wakes it per file, and texts that come faster than a tick are
// merged into the last one. A WM_USER with a text's address in wParam is
// still understood.
#include <cstddef>
#include <cstdint>

#include "ui/progress_measure.h"

struct HWND__;

// Does nothing while the run has no window.
void SendProgressText(HWND__* window, const char* text);

// The window's side: copies the waiting text into `text` (cut to size) and
// returns true, or returns false when no new text is waiting.
bool TakeProgressText(char* text, std::size_t size);

// The copy phase's reports (see ProgressCounts); none does anything while
// the run has no window. One call per item, a few stores under the lock.
void SendProgressStart(HWND__* window, const WorkTotals& totals);
void SendProgressItem(HWND__* window, std::uint64_t listedSize);
void SendProgressBytes(HWND__* window, std::uint64_t transferred);
void SendProgressEnd(HWND__* window);

// The window's side: the latest counts into `counts`; false when nothing
// was reported since the last call.
bool TakeProgress(ProgressCounts& counts);
