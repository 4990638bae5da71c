#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CommandLineOption Option(const std::string& text) { return FindCommandLineOption(text.c_str()); }

std::string Resolved(const std::string& commandLine, const char* currentDir = "C:\\work") {
  char path[kPathSize];
  if (!ResolveIniPath(commandLine.c_str(), currentDir, path)) return "<refused>";
  return path;
}

}  // namespace

TEST(CommandLineOption, SeparatorsAreNulBackspaceLineFeedReturnAndSpace) {
  for (int c = 0; c < 256; ++c) {
    const bool expected = c == 0 || c == 8 || c == 10 || c == 13 || c == 32;
    EXPECT_EQ(IsSeparator(static_cast<char>(c)), expected) << "code " << c;
  }
}

TEST(CommandLineOption, GenerateNeedsSeparatorsOnBothSides) {
  EXPECT_EQ(Option("/g"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option("/G"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option("a.ini /g"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option("/g a.ini"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option("a.ini\r/g\n"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option(std::string("\b/g\b")), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option("x/g"), CommandLineOption::None);
  EXPECT_EQ(Option("/gx"), CommandLineOption::None);
  EXPECT_EQ(Option("a.ini\t/g"), CommandLineOption::None) << "the tab is no separator";
  EXPECT_EQ(Option("/g\t"), CommandLineOption::None);
}

TEST(CommandLineOption, OnlyTheFirstOccurrenceIsExamined) {
  EXPECT_EQ(Option("/gx /g"), CommandLineOption::None);
  EXPECT_EQ(Option("x/g /g"), CommandLineOption::None);
  EXPECT_EQ(Option("/hx /h"), CommandLineOption::None);
  // A failed "/g" does not stop the search for "/h".
  EXPECT_EQ(Option("/gx /h"), CommandLineOption::ShowHelp);
}

TEST(CommandLineOption, GenerateWinsOverHelp) {
  EXPECT_EQ(Option("/h"), CommandLineOption::ShowHelp);
  EXPECT_EQ(Option("/H"), CommandLineOption::ShowHelp);
  EXPECT_EQ(Option("/g /h"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option("/h /g"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option(""), CommandLineOption::None);
  EXPECT_EQ(Option("a.ini"), CommandLineOption::None);
  EXPECT_EQ(Option("/"), CommandLineOption::None);
}

TEST(ResolveIniPath, DefaultAndRelativeNamesJoinTheCurrentDirectory) {
  EXPECT_EQ(Resolved(""), "C:\\work\\velkarin.ini");
  EXPECT_EQ(Resolved("sub\\a.ini"), "C:\\work\\sub\\a.ini");
  EXPECT_EQ(Resolved("\"a.ini\""), "C:\\work\\\"a.ini\"") << "quotes are kept";
  EXPECT_EQ(Resolved("a.ini  "), "C:\\work\\a.ini  ") << "blanks are kept";
  EXPECT_EQ(Resolved("a.ini", "C:\\"), "C:\\\\a.ini");
  EXPECT_EQ(Resolved("\\a.ini"), "C:\\work\\\\a.ini");
  EXPECT_EQ(Resolved("c:a.ini"), "C:\\work\\c:a.ini");
}

TEST(ResolveIniPath, FullPathsAreUsedUnchanged) {
  EXPECT_EQ(Resolved("C:\\cfg\\a.ini"), "C:\\cfg\\a.ini");
  EXPECT_EQ(Resolved("\\\\srv\\share\\a.ini"), "\\\\srv\\share\\a.ini");
  EXPECT_EQ(Resolved("D:\\Каду\\с пробелом.ini", nullptr), "D:\\Каду\\с пробелом.ini");
}

TEST(ResolveIniPath, RefusesWhatDoesNotFitOrHasNoBase) {
  const std::string dir = "C:\\" + std::string(1000, 'd');  // 1003 characters
  EXPECT_EQ(Resolved(std::string(19, 'n'), dir.c_str()).size(), 1023u);
  EXPECT_EQ(Resolved(std::string(20, 'n'), dir.c_str()), "<refused>");
  const std::string full = "C:\\" + std::string(1020, 'f');
  EXPECT_EQ(Resolved(full), full);
  EXPECT_EQ(Resolved(full + "f"), "<refused>");
  EXPECT_EQ(Resolved("", nullptr), "<refused>");
  EXPECT_EQ(Resolved("a.ini", nullptr), "<refused>");
}

TEST(CommandLineOption, PreviewOnlyAtTheStartAndAfterGenerateAndHelp) {
  EXPECT_EQ(Option("/l"), CommandLineOption::Preview);
  EXPECT_EQ(Option("/L a.ini"), CommandLineOption::Preview);
  EXPECT_EQ(Option("/l /h"), CommandLineOption::ShowHelp);
  EXPECT_EQ(Option("/l /g"), CommandLineOption::GenerateIni);
  EXPECT_EQ(Option("a.ini /l"), CommandLineOption::None) << "only at the very start";
  EXPECT_EQ(Option("/lx.ini"), CommandLineOption::None);
  EXPECT_EQ(Option("/l\ta.ini"), CommandLineOption::None) << "the tab is no separator";
  EXPECT_STREQ(PreviewIniName("/l   Мой файл.ini"), "Мой файл.ini");
  EXPECT_STREQ(PreviewIniName("/l"), "");
  EXPECT_EQ(PreviewIniName("/p a.ini"), nullptr);
  EXPECT_EQ(PublishIniName("/l a.ini"), nullptr);
}

TEST(CommandLineOption, MakeKeysOnlyAtTheStartWithItsFolder) {
  EXPECT_EQ(Option("/k"), CommandLineOption::MakeKeys);
  EXPECT_EQ(Option("/K C:\\keys"), CommandLineOption::MakeKeys);
  EXPECT_EQ(Option("/k /h"), CommandLineOption::ShowHelp);
  EXPECT_EQ(Option("a.ini /k"), CommandLineOption::None) << "only at the very start";
  EXPECT_EQ(Option("/kx"), CommandLineOption::None);
  EXPECT_STREQ(MakeKeyFolder("/k   C:\\Ключи издателя"), "C:\\Ключи издателя");
  EXPECT_STREQ(MakeKeyFolder("/k"), "");
  EXPECT_EQ(MakeKeyFolder("/p C:\\keys"), nullptr);
  EXPECT_EQ(Option(UnattendedRest("/s /k d")), CommandLineOption::MakeKeys);
}

TEST(CommandLineOption, UnattendedOnlyAtTheStartAndTheRestReadAsACommandLine) {
  EXPECT_STREQ(UnattendedRest("/s"), "");
  EXPECT_STREQ(UnattendedRest("/S  C:\\a.ini"), "C:\\a.ini");
  EXPECT_STREQ(UnattendedRest("/s /p a.ini"), "/p a.ini");
  EXPECT_EQ(Option(UnattendedRest("/s /p a.ini")), CommandLineOption::PublishListing);
  EXPECT_EQ(Option(UnattendedRest("/s /l")), CommandLineOption::Preview);
  EXPECT_EQ(UnattendedRest("a.ini /s"), nullptr) << "only at the very start";
  EXPECT_EQ(UnattendedRest("/sa.ini"), nullptr);
  EXPECT_EQ(UnattendedRest("/p /s"), nullptr);
}

TEST(CommandLineOption, RepairOnlyAtTheStartWithItsIniName) {
  EXPECT_EQ(Option("/v"), CommandLineOption::Repair);
  EXPECT_EQ(Option("/V a.ini"), CommandLineOption::Repair);
  EXPECT_EQ(Option("a.ini /v"), CommandLineOption::None);
  EXPECT_STREQ(RepairIniName("/v  Мой файл.ini"), "Мой файл.ini");
  EXPECT_EQ(Option(UnattendedRest("/s /v")), CommandLineOption::Repair);
}
