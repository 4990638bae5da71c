#include "model/name_fold.h"

#include <array>

namespace {

// Windows-1251 lower-case letters and their upper-case partners: Latin
// a-z, Cyrillic а-я, and the letters of the code page's upper half (ё, ђ,
// ѓ, љ, њ, ќ, ћ, џ, ў, і, ґ, є, ј, ѕ, ї).
constexpr unsigned char kUpperHalfPairs[][2] = {
    {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D}, {0x9E, 0x8E},
    {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA},
    {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
};

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> table{};
  for (unsigned c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
  for (unsigned c = 'a'; c <= 'z'; ++c) table[c] = static_cast<unsigned char>(c - 'a' + 'A');
  for (unsigned c = 0xE0; c <= 0xFF; ++c) table[c] = static_cast<unsigned char>(c - 0x20);
  for (const auto& pair : kUpperHalfPairs) table[pair[0]] = pair[1];
  return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

}  // namespace

char FoldNameChar(char c) noexcept { return static_cast<char>(kFold[static_cast<unsigned char>(c)]); }

std::string FoldedName(const char* name) {
  std::string key(name);
  for (char& c : key) c = FoldNameChar(c);
  return key;
}

bool NamesMatch(const char* a, const char* b) noexcept {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (FoldNameChar(*a) != FoldNameChar(*b)) return false;
  }
  return *a == *b;
}
