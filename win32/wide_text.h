#pragma once
// Windows-1251 (the ANSI code page) text for the wide calls.
#include <string>

// The whole text converted; empty when the system cannot convert it.
[[nodiscard]] std::wstring WidenAnsi(const std::string& text);

// `wide` in the ANSI code page, only if exactly: false when a character has
// no place in it (no default character, no best-fit look-alike), checked by
// converting back, since some systems ignore the no-best-fit flag.
[[nodiscard]] bool NarrowExact(const std::wstring& wide, std::string& text);
