#pragma once
// How the worker shows a status text in the progress window: a synchronous
// WM_USER with the text's address, so the text need only live for the call.
struct HWND__;

// Does nothing while the run has no window.
void SendProgressText(HWND__* window, const char* text);
