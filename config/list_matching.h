#pragma once
// The two tests the engine asks of the rule lists. Entries are relative
// paths compared whole: an entry naming a directory covers its subtree only
// because the callers test a directory before they descend into it.
#include <string>
#include <vector>

// True when `path` equals an entry of `list` after both are upper-cased with
// the Windows-1251 table (so Модули matches МОДУЛИ and модули).
[[nodiscard]] bool MatchesListEntry(const char* path, const std::vector<std::string>& list);

// True when `path` (with any leading ".\" root marker dropped) or its first
// component equals an entry of `strictList` byte for byte, case included.
[[nodiscard]] bool IsStrictlySynchronised(const char* path,
                                          const std::vector<std::string>& strictList);
