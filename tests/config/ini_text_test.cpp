#include "config/ini_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

// Windows-1251 text (this file's literals) as an editor saving UTF-8 writes it.
std::string Utf8(const std::string& windows1251) {
  std::u16string units;
  for (const char c : windows1251) units.push_back(Windows1251ToUtf16(static_cast<unsigned char>(c)));
  std::string out;
  for (const char16_t unit : units) {
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return out;
}

IniEncoding Detect(const std::string& bytes, std::size_t expectedMark = 0) {
  std::size_t mark = 99;
  const IniEncoding encoding = DetectIniEncoding(bytes, mark);
  EXPECT_EQ(mark, expectedMark);
  return encoding;
}

}  // namespace

TEST(IniEncoding, AMarkDecidesAndWithoutOneOnlyWellFormedMultiByteUtf8IsUtf8) {
  EXPECT_EQ(Detect("\xEF\xBB\xBF[a]", 3), IniEncoding::Utf8);
  EXPECT_EQ(Detect("\xFF\xFE[\0"s, 2), IniEncoding::Utf16LittleEndian);
  EXPECT_EQ(Detect("\xFE\xFF\0["s, 2), IniEncoding::Utf16BigEndian);

  const std::string russian = "[Основные параметры]\r\nКаталогИсточник=C:\\Ёлка №1\r\n";
  EXPECT_EQ(Detect(Utf8(russian)), IniEncoding::Utf8);
  EXPECT_EQ(Detect(russian), IniEncoding::Windows1251);
  EXPECT_EQ(Detect("[a]\r\nb=c\r\n"), IniEncoding::Windows1251) << "ASCII alone is read as it always was";
  EXPECT_EQ(Detect(""), IniEncoding::Windows1251);

  // One flaw anywhere and the file is Windows-1251 after all.
  const std::string flaws[] = {
      "\xC0\x80",          // overlong zero
      "\xE0\x80\xAF",      // overlong "/"
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "\xF5\x80\x80\x80",  // no such lead byte
      "\xD0",              // cut short at the end
      "\xD0\x41",          // a lead byte without its continuation
      "\x80",              // a continuation without its lead
  };
  for (const std::string& flaw : flaws) {
    EXPECT_EQ(Detect(Utf8(russian) + flaw), IniEncoding::Windows1251) << flaw.size();
    EXPECT_FALSE(IsUtf8WithMultiByteSequence(Utf8(russian) + flaw)) << flaw.size();
  }
  EXPECT_TRUE(IsUtf8WithMultiByteSequence("\xF0\x9F\x98\x80"));  // U+1F600, four bytes
}

TEST(IniEncoding, DecodesEachEncodingToTheSameText) {
  const std::u16string expected = u"[Ж]\r\nК=ё€\r\n";
  EXPECT_EQ(DecodeIniText("[\xC6]\r\n\xCA=\xB8\x88\r\n"), expected);
  EXPECT_EQ(DecodeIniText(Utf8("[Ж]\r\nК=ё€\r\n")), expected);
  EXPECT_EQ(DecodeIniText("\xEF\xBB\xBF" + Utf8("[Ж]\r\nК=ё€\r\n")), expected);
  std::string little = "\xFF\xFE", big = "\xFE\xFF";
  for (const char16_t unit : expected) {
    little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
  }
  EXPECT_EQ(DecodeIniText(little), expected);
  EXPECT_EQ(DecodeIniText(big), expected);
  EXPECT_EQ(DecodeIniText(little + "\x41"), expected) << "an odd last byte is dropped";

  EXPECT_EQ(DecodeIniText("\xEF\xBB\xBF\x41\xFF\x42"), u"A\uFFFDB") << "a flaw after a UTF-8 mark";
  EXPECT_EQ(DecodeIniText("\xEF\xBB\xBF\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(IniEncoding, EveryWindows1251ByteGoesThereAndBackUnchanged) {
  std::string bytes;
  for (unsigned b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  const std::u16string text = DecodeIniText(bytes);
  ASSERT_EQ(text.size(), 256u);
  std::string back;
  EXPECT_TRUE(AppendAsWindows1251(text, back));
  EXPECT_EQ(back, bytes);
  // A few from the code page chart.
  EXPECT_EQ(Windows1251ToUtf16(0xC0), u'А');
  EXPECT_EQ(Windows1251ToUtf16(0xFF), u'я');
  EXPECT_EQ(Windows1251ToUtf16(0xA8), u'Ё');
  EXPECT_EQ(Windows1251ToUtf16(0xB9), u'№');
  EXPECT_EQ(Windows1251ToUtf16(0x88), u'€');
  EXPECT_EQ(Windows1251ToUtf16(0xA0), u'\u00A0');
  EXPECT_EQ(Windows1251ToUtf16(0x98), u'\u0098');
}

TEST(IniEncoding, TextWindows1251LacksDoesNotFitAndKeepsItsLength) {
  // (Outside the assertion macros, which would quote it as narrow text.)
  const std::u16string lacking = u"Ж☃ü\U0001F600";
  std::string out = "x";
  EXPECT_FALSE(AppendAsWindows1251(lacking, out));
  EXPECT_EQ(out, "x\xC6????") << "one \"?\" per code unit";
  out.clear();
  EXPECT_TRUE(AppendAsWindows1251(u"Ёлка «№1» — ok", out));
  EXPECT_EQ(out, "Ёлка «№1» — ok");
}
