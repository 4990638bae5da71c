#pragma once
// Boxes of the entry and the configuration reader: no owner window, the
// program's caption.

inline constexpr const char* kProgramCaption = "velkarin";

// MessageBoxA with no owner and the caption "velkarin"; returns the answer.
int ShowProgramBox(const char* text, unsigned type);
