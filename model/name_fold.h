#pragma once
// Names as the file system compares them. NTFS (and Windows' ordinal
// comparison that ignores case, CompareStringOrdinal) takes two names for
// one when they are equal after each character is upper-cased by the
// system's table: "ДАННЫЕ" and "Данные" are one directory, as are "SUB" and
// "sub", "Ї" and "ї". The run pairs source and target names the same way:
// paired otherwise, a directory whose name differs only in Cyrillic case
// would be created again over the existing one, and everything copied into
// it would go through whatever stands under that name (a link, say).
//
// The snapshots hold Windows-1251 names (a name that code page cannot hold
// never reaches them), so the fold is one table over the 256 bytes; a test
// on Windows and Wine holds it against CompareStringOrdinal.
#include <string>

// The byte the file system compares `c` as: the upper-case letter of a
// Windows-1251 lower-case letter that has one, `c` itself otherwise.
[[nodiscard]] char FoldNameChar(char c) noexcept;

// `name` with every byte folded: equal keys are names the file system takes
// for one.
[[nodiscard]] std::string FoldedName(const char* name);

// True when the file system takes the two names for one.
[[nodiscard]] bool NamesMatch(const char* a, const char* b) noexcept;
