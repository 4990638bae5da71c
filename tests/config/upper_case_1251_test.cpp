#include "config/upper_case_1251.h"

#include <gtest/gtest.h>

#include <string>

// The expected upper-case form of every byte, written out from the code page
// chart rather than computed the way the code does it.
static unsigned char ExpectedUpper(unsigned b) {
  const std::string lowerLatin = "abcdefghijklmnopqrstuvwxyz";
  const std::string upperLatin = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const std::string lowerCyrillic = "абвгдежзийклмнопрстуфхцчшщъыьэюяё";
  const std::string upperCyrillic = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЁ";
  const std::size_t latin = lowerLatin.find(static_cast<char>(b));
  if (latin != std::string::npos) return static_cast<unsigned char>(upperLatin[latin]);
  const std::size_t cyrillic = lowerCyrillic.find(static_cast<char>(b));
  if (cyrillic != std::string::npos) return static_cast<unsigned char>(upperCyrillic[cyrillic]);
  return static_cast<unsigned char>(b);
}

TEST(UpperCase1251, MapsEveryByteByTheTable) {
  int changed = 0;
  for (unsigned b = 1; b < 256; ++b) {
    char text[2] = {static_cast<char>(b), '\0'};
    UpperCase1251(text);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), ExpectedUpper(b)) << "byte 0x" << std::hex << b;
    EXPECT_EQ(text[1], '\0');
    if (static_cast<unsigned char>(text[0]) != b) ++changed;
  }
  EXPECT_EQ(changed, 59);  // 26 Latin, 32 Cyrillic and ё
}

TEST(UpperCase1251, LeavesUkrainianAndBelarusianLettersAlone) {
  // і ї є ў ґ are outside the table: their capitals are not produced.
  char text[] = "іїєўґ";
  UpperCase1251(text);
  EXPECT_STREQ(text, "іїєўґ");
}

TEST(UpperCase1251, ChangesWholeStringInPlaceUpToTheTerminator) {
  char text[] = "Модули\\x.dll\0abc";
  UpperCase1251(text);
  EXPECT_STREQ(text, "МОДУЛИ\\X.DLL");
  EXPECT_STREQ(text + 13, "abc");  // nothing past the first terminator
}
