#pragma once

// Upper-cases Windows-1251 text in place: a-z, а-я (0xE0-0xFF) and ё (0xB8).
// Every other byte, Cyrillic outside those ranges included, stays as it is.
// The list rules and the yes/no switches use this; the engine's own name
// comparison folds Latin letters only.
void UpperCase1251(char* text);

// The upper-case form of one byte by the same table.
[[nodiscard]] unsigned char UpperCase1251Char(unsigned char c) noexcept;
