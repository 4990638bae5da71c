#include "config/upper_case_1251.h"

unsigned char UpperCase1251Char(unsigned char c) noexcept {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= 0xE0) return static_cast<unsigned char>(c - 0x20);  // а..я -> А..Я
  if (c == 0xB8) return 0xA8;                                  // ё -> Ё
  return c;
}

void UpperCase1251(char* text) {
  for (; *text != '\0'; ++text) {
    *text = static_cast<char>(UpperCase1251Char(static_cast<unsigned char>(*text)));
  }
}
