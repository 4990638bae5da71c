#pragma once
// How the worker shows a status text in the progress window. The latest
// text waits in a mailbox that the window empties on every tick of its
// animation (5 ms): the worker never waits for the window thread nor wakes
// it per file, and texts that come faster than a tick are merged into the
// last one. A WM_USER with a text's address in wParam is still understood.
#include <cstddef>

struct HWND__;

// Does nothing while the run has no window.
void SendProgressText(HWND__* window, const char* text);

// The window's side: copies the waiting text into `text` (cut to size) and
// returns true, or returns false when no new text is waiting.
bool TakeProgressText(char* text, std::size_t size);
