#pragma once
// Copies one file over an existing target. On systems that take
// extended-length paths the copy goes through them, so target trees deeper
// than 260 characters work; relative paths are made absolute first.
[[nodiscard]] bool CopyFileLongPath(bool longPathCapable, const char* source, const char* target);
