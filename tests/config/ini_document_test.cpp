// The program's own ini reader on text as it comes from the file. That it
// reads Windows-1251 files as the system's reader does is shown against the
// system itself under Wine (tests/config/ini_reader_test.cpp); here, what
// the system's reader never did: text in other encodings, characters
// Windows-1251 lacks, and names in any Cyrillic case.
#include "config/ini_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ini_text.h"

using namespace std::string_literals;

namespace {

constexpr std::size_t kBig = 32767;

IniDocument Parse(const std::u16string& text) { return IniDocument(text); }

// The section's lines, split at their zeros.
std::vector<std::string> Lines(const IniSectionLines& section) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < section.text.size()) {
    const std::size_t zero = section.text.find('\0', at);
    lines.push_back(section.text.substr(at, zero - at));
    at = zero + 1;
  }
  return lines;
}

}  // namespace

TEST(IniDocument, ValuesComeBackInWindows1251) {
  const IniDocument ini = Parse(u"[Основные параметры]\r\nКаталогИсточник = \"C:\\Ёлка №1\" \r\n");
  const IniValue value = ini.Value("Основные параметры", "КаталогИсточник", "", kBig);
  EXPECT_TRUE(value.fits);
  EXPECT_EQ(value.text, "C:\\Ёлка №1");
}

TEST(IniDocument, AValueWindows1251LacksDoesNotFitAndAnAbsentKeyGivesTheFallback) {
  const IniDocument ini = Parse(u"[a]\r\nk=C:\\☃\r\nnone\r\n");
  IniValue value = ini.Value("a", "k", "fallback", kBig);
  EXPECT_FALSE(value.fits);
  EXPECT_EQ(value.text, "C:\\?");
  value = ini.Value("a", "absent", "fallback", kBig);
  EXPECT_TRUE(value.fits);
  EXPECT_EQ(value.text, "fallback");
  value = ini.Value("a", "none", "fallback", kBig);
  EXPECT_EQ(value.text, "fallback") << "a key without \"=\" has no value";
}

TEST(IniDocument, OnlyWhatIsAskedForIsChecked) {
  // A comment, a key nobody reads, a section nobody reads, and a later
  // duplicate of a key: none of them is what the program gets.
  const IniDocument ini = Parse(
      u"; ☃ комментарий\r\n[a]\r\n# ☃\r\nдругой=☃\r\nk=v\r\nk=☃\r\n[☃]\r\nk=☃\r\n[b]\r\n; ☃\r\n#☃\r\nentry\r\n");
  const IniValue value = ini.Value("a", "k", "", kBig);
  EXPECT_TRUE(value.fits);
  EXPECT_EQ(value.text, "v");
  const IniSectionLines b = ini.Section("b");
  EXPECT_EQ(Lines(b), (std::vector<std::string>{"#?", "entry"})) << "a \";\" line is not given at all";
  EXPECT_EQ(b.unfit, std::vector<std::size_t>{0}) << "the \"#\" line is the caller's to skip";
  const IniSectionLines a = ini.Section("a");
  EXPECT_EQ(Lines(a), (std::vector<std::string>{"# ?", "другой=?", "k=v", "k=?"}));
  EXPECT_EQ(a.unfit, (std::vector<std::size_t>{0, 4, 17}));
}

TEST(IniDocument, ANameWindows1251LacksMatchesNothing) {
  const IniDocument ini = Parse(u"[?☃]\r\nk=1\r\n[s]\r\n?☃=2\r\n");
  EXPECT_EQ(ini.Value("??", "k", "d", kBig).text, "d");
  EXPECT_EQ(ini.Value("s", "??", "d", kBig).text, "d");
  EXPECT_TRUE(ini.Section("??").text.empty());
}

TEST(IniDocument, NamesMatchInAnyCaseOfTheWindows1251Table) {
  // The system's reader under Wine folds only A-Z; Windows folds Cyrillic
  // as well, and so does this reader, by the table the switches use.
  const IniDocument ini = Parse(u"[основные ПАРАМЕТРЫ]\r\nвыполнитЬ=a.exe\r\nёЛКА=1\r\n[ВЫРЕЗАТЬ]\r\nold\r\n");
  EXPECT_EQ(ini.Value("Основные параметры", "Выполнить", "", kBig).text, "a.exe");
  EXPECT_EQ(ini.Value("Основные параметры", "Ёлка", "", kBig).text, "1");
  EXPECT_EQ(ini.Section("Вырезать").text, "old\0"s);
  // Letters outside the table are not folded: і is not І.
  EXPECT_EQ(Parse(u"[s]\r\nі=1\r\n").Value("s", "І", "d", kBig).text, "d");
}

TEST(IniDocument, TheSameFileInEveryEncodingReadsTheSame) {
  const std::string windows1251 =
      "[Основные параметры]\r\nКаталогПриемник = \"C:\\Каду\"\r\n[Игнорировать]\r\nЖурнал.log\r\n";
  const std::u16string text = DecodeIniText(windows1251);
  std::string utf8;
  std::string little = "\xFF\xFE";
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      utf8.push_back(static_cast<char>(unit));
    } else {
      utf8.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
    little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  }
  for (const std::string& bytes : {windows1251, utf8, "\xEF\xBB\xBF" + utf8, little}) {
    const IniDocument ini(DecodeIniText(bytes));
    EXPECT_EQ(ini.Value("Основные параметры", "КаталогПриемник", "", kBig).text, "C:\\Каду") << bytes.size();
    EXPECT_EQ(ini.Section("Игнорировать").text, "Журнал.log\0"s) << bytes.size();
  }
}

TEST(IniDocument, AValueIsCutToTheBufferAsTheSystemCutIt) {
  const IniDocument ini = Parse(u"[s]\r\nq=\"abcd\"\r\np=abcd\r\n");
  EXPECT_EQ(ini.Value("s", "q", "", 6).text, "abcd") << "fits: both quotes go";
  EXPECT_EQ(ini.Value("s", "q", "", 5).text, "abc") << "cut short: the closing quote is lost, then one more";
  EXPECT_EQ(ini.Value("s", "p", "", 3).text, "ab");
  EXPECT_EQ(ini.Value("s", "x", "'d'  ", kBig).text, "d") << "the fallback as a value";
}
