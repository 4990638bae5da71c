#pragma once
// Windows-1251 (the ANSI code page) text for the wide calls.
#include <string>

// The whole text converted; empty when the system cannot convert it.
[[nodiscard]] std::wstring WidenAnsi(const std::string& text);
