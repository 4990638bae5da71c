// The committed default ini file is what the program embeds and writes out:
// its bytes, its line layout and its fixed lines are checked here.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::string TemplateBytes() {
  std::FILE* file = std::fopen(VELKARIN_TEMPLATE_PATH, "rb");
  if (file == nullptr) return std::string();
  std::string bytes;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

std::vector<std::string> SplitCrLf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = bytes.find("\r\n", start);
    lines.push_back(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

}  // namespace

TEST(DefaultTemplate, Is5624BytesIn133CrLfLines) {
  const std::string bytes = TemplateBytes();
  ASSERT_EQ(bytes.size(), 5624u);
  const std::vector<std::string> lines = SplitCrLf(bytes);
  ASSERT_EQ(lines.size(), 133u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].find_first_of("\r\n"), std::string::npos) << "stray line end in line " << i + 1;
    EXPECT_EQ(lines[i].find('\0'), std::string::npos) << "NUL in line " << i + 1;
  }
  EXPECT_NE(bytes.substr(bytes.size() - 2), "\r\n") << "no line end after the last line";
}

TEST(DefaultTemplate, FixedLinesStandWhereTheyBelong) {
  const std::vector<std::string> lines = SplitCrLf(TemplateBytes());
  ASSERT_EQ(lines.size(), 133u);
  const std::map<int, std::string> fixed = {
      {1, "[Основные параметры]"},
      {3, "#КаталогИсточник="},
      {8, "#КаталогПриемник="},
      {18, "#ПроверятьЗапущеноЛиУже="},
      {27, "#СниматьReadOnly="},
      {33, "#УдалятьНенужныеФайлы="},
      {39, "#Выполнить="},
      {46, "#КоманднаяСтрока=\"\""},
      {50, "#ВопросПриОшибке="},
      {58, "#ВыводитьСтатистикуСинхронизации="},
      {64, "[Игнорировать]"},
      {74, "velkarin.err"},
      {75, "velkarin.out"},
      {76, "velkarin.exe"},
      {78, "[Обновлять]"},
      {87, "[СтрогоСинхронизировать]"},
      {95, "Модули"},
      {97, "[Вырезать]"},
      {106, "[Пропустить существующие]"},
      {114, "[Проверить пары]"},
      {117, "#имя файл приемника=имя файла источника"},
      {124, "[Оформление]"},
      {126, "#ФоноваяКартинка="},
  };
  for (const auto& [number, text] : fixed) EXPECT_EQ(lines[number - 1], text) << "line " << number;

  const int empty[] = {2,  4,  7,  9,  17, 19, 26, 28, 32, 34,  38,  40,  45, 47,
                       49, 51, 57, 59, 63, 77, 86, 96, 105, 113, 123, 125, 127};
  for (int number : empty) EXPECT_EQ(lines[number - 1], "") << "line " << number;

  // Every other line is comment prose: "#" and a blank, then Russian text.
  int prose = 0;
  for (int number = 1; number <= 133; ++number) {
    if (fixed.count(number)) continue;
    const std::string& line = lines[number - 1];
    if (line.empty()) continue;
    EXPECT_EQ(line.compare(0, 2, "# "), 0) << "line " << number << ": " << line;
    ++prose;
  }
  EXPECT_EQ(prose, 133 - static_cast<int>(fixed.size()) - 27);
}

TEST(DefaultTemplate, CommentsNameTheDocumentedDefaults) {
  const std::string bytes = TemplateBytes();
  for (const char* text : {"%HOMEDRIVE%%HOMEPATH%\\KADU_20_CLIENT", "c:\\Каду++ Клиент",
                           "kadu.exe=kadu.ex", "kadu.exe#101", "velkarin.out"}) {
    EXPECT_NE(bytes.find(text), std::string::npos) << text;
  }
}
