// The program's ini reader against the system's own (GetPrivateProfileStringA,
// GetPrivateProfileSectionA), which it replaced, on Windows-1251 files written
// to trip a reader up: both must give the same bytes for every value and
// section the program reads, and for the corners around them.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "config/ini_document.h"
#include "config/ini_text.h"
#include "tests/support/test_support.h"
#include "ui/background_picture.h"

using namespace testing_support;
using namespace std::string_literals;

namespace {

struct Query {
  std::string section, key, fallback;
  std::size_t size = 32767;
};

// The queries of the program itself, with the defaults and buffers it uses.
std::vector<Query> ProgramQueries() {
  const std::string main = "Основные параметры";
  std::vector<Query> queries = {
      {main, "КаталогПриемник", "C:\\Каду++ Клиент"},
      {main, "КаталогИсточник", "C:\\work\\current"},
      {main, "ВыводитьСтатистикуСинхронизации", "нет"},
      {main, "СниматьReadOnly", "да"},
      {main, "УдалятьНенужныеФайлы", "нет"},
      {main, "Выполнить", "kadu.exe"},
      {main, "КоманднаяСтрока", ""},
      {main, "ВопросПриОшибке", "да"},
      {main, "ПроверятьЗапущеноЛиУже", "kadu.exe"},
      {main, "ИспользоватьСписокИсточника", "да"},
      {main, "КаталогИсточник", "C:\\work\\current", 1024},
      {"Оформление", "ФоноваяКартинка", "kadu.exe#101", 1024},
  };
  return queries;
}

const char* const kProgramSections[] = {"Основные параметры",      "Оформление", "Игнорировать", "Обновлять",
                                        "СтрогоСинхронизировать", "Пропустить существующие", "Вырезать",
                                        "Проверить пары"};

std::string SystemValue(const std::string& path, const Query& query) {
  std::vector<char> buffer(query.size);
  const DWORD length = GetPrivateProfileStringA(query.section.c_str(), query.key.c_str(), query.fallback.c_str(),
                                                buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data(), length);
}

std::string SystemSection(const std::string& path, const std::string& section) {
  std::vector<char> buffer(1024);
  for (;;) {
    const DWORD length =
        GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    if (length + 2 < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string Shown(const std::string& bytes) {
  std::string shown;
  for (const char c : bytes) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof(hex), "<%02X>", u);
      shown += hex;
    } else {
      shown += c;
    }
  }
  return shown;
}

// Writes `bytes` as the ini file and compares every query and section of
// both readers; `what` names the file in a failure.
void Compare(const TempDir& dir, const std::string& what, const std::string& bytes,
             const std::vector<Query>& queries, const std::vector<std::string>& sections) {
  std::size_t mark = 0;
  ASSERT_EQ(DetectIniEncoding(bytes, mark), IniEncoding::Windows1251) << what;
  const std::string path = dir / "compare.ini";
  WriteFileBytes(path, bytes);
  const IniDocument ours(DecodeIniText(bytes));
  for (const Query& query : queries) {
    // As C strings, as the program hands them over.
    const IniValue value = ours.Value(query.section.c_str(), query.key.c_str(), query.fallback.c_str(), query.size);
    EXPECT_TRUE(value.fits) << what;
    EXPECT_EQ(Shown(value.text), Shown(SystemValue(path, query)))
        << what << ": [" << query.section << "] " << query.key << " (default \"" << query.fallback << "\", buffer "
        << query.size << ")\nin " << Shown(bytes);
  }
  for (const std::string& section : sections) {
    const IniSectionLines lines = ours.Section(section);
    EXPECT_TRUE(lines.unfit.empty()) << what;
    EXPECT_EQ(Shown(lines.text), Shown(SystemSection(path, section)))
        << what << ": [" << section << "]\nin " << Shown(bytes);
  }
}

std::vector<std::string> ProgramSections() { return {std::begin(kProgramSections), std::end(kProgramSections)}; }

}  // namespace

TEST(IniReader, TheDefaultTemplateReadsAsTheSystemReadsIt) {
  TempDir dir("tpl");
  const std::optional<std::string> bytes = ReadFileBytes(VELKARIN_TEMPLATE_PATH);
  ASSERT_TRUE(bytes.has_value());
  Compare(dir, "template", *bytes, ProgramQueries(), ProgramSections());
}

TEST(IniReader, AFullFileWithBlanksQuotesCommentsAndRepeatsReadsAsTheSystemReadsIt) {
  TempDir dir("full");
  const std::string ini =
      "; ключи до первой секции не в счет\r\nВыполнить=до.exe\r\n"
      "\t[ Основные параметры ]  ; комментарий после скобки\r\n"
      "КаталогПриемник =\t\"%TEMP%\\Каду Клиент\" \r\n"
      "  КаталогИсточник\t=  '\\\\srv\\share\\Каду'\t\x1A\r\n"
      "ВыводитьСтатистикуСинхронизации=\"да\r\n"
      "СниматьReadOnly='нет\"\r\n"
      "УдалятьНенужныеФайлы\r\n"
      "Выполнить=\"\r\n"
      "КоманднаяСтрока=\"\"\r\n"
      "ВопросПриОшибке = н е т \r\n"
      "ПроверятьЗапущеноЛиУже=a=b=c\r\n"
      "Выполнить=второй.exe\r\n"
      "ИспользоватьСписокИсточника=\xA0нет\xA0\r\n"
      "\r\n\r\n"
      "[Игнорировать]\r\n# комментарий\r\n; точка с запятой\r\n  velkarin.err  \r\n Журнал = 1 \r\n=без имени\r\n"
      "=второй без имени\r\nпосле\r\n=снова\r\n;\r\n=после точки с запятой\r\n"
      "[Обновлять]\r\n"
      "[СтрогоСинхронизировать]\r\nМодули\r\n[Пропустить существующие\r\nНастройки.ini\r\n"
      "[Вырезать]]\r\nold\r\n[Вырезать]\r\nold\\x.dll\r\n"
      "[Проверить пары]\r\n\\kadu.exe = \\kadu.ex\r\n"
      "[Основные параметры]\r\nКаталогПриемник=второй\r\n"
      "[Игнорировать]\r\nвторой.txt\r\n"
      "[Оформление]\rФоноваяКартинка = 'C:\\Картинки\\фон.dll#7'\n"
      "[\r\n]\r\n[]\r\nx=1\r\n[Вырезать] x]\r\n";
  Compare(dir, "full", ini, ProgramQueries(), ProgramSections());
}

TEST(IniReader, EveryByteAroundNamesAndValuesReadsAsTheSystemReadsIt) {
  TempDir dir("bytes");
  for (unsigned b = 0; b < 256; ++b) {
    if (b == '\r' || b == '\n') continue;
    const std::string c(1, static_cast<char>(b));
    const std::string ini = c + "[" + c + "S" + c + "]" + c + "\r\n" + c + "K" + c + "=" + c + "v" + c + "\r\n" +
                            c + "\r\nL=" + c + "\"x\"" + c + "\r\nM=\"x" + c + "\"\r\n" + c + "N\r\n" + c + "=" + c +
                            "\r\nO=a" + c + "b\r\n[T" + c + "]\r\nK=t\r\n";
    std::vector<Query> queries;
    for (const char* key : {"K", "L", "M", "N", "O", "k"}) queries.push_back({"S", key, "d"});
    queries.push_back({"T", "K", "d"});
    queries.push_back({"s", "K", "d" + c + " "});
    char what[32];
    std::snprintf(what, sizeof(what), "byte 0x%02X", b);
    Compare(dir, what, ini, queries, {"S", "T", "s"});
    if (HasFailure()) return;  // one byte's failures say enough
  }
}

TEST(IniReader, LatinCaseIsFoldedAsTheSystemFoldsIt) {
  TempDir dir("case");
  std::string ini = "[Section]\r\n";
  std::vector<Query> queries;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    ini += std::string("x") + letter + "=upper " + letter + "\r\n";
    ini += std::string("X") + static_cast<char>(letter + 32) + "=lower " + letter + "\r\n";
    queries.push_back({"SECTION", std::string("X") + letter, "d"});
    queries.push_back({"section", std::string("x") + static_cast<char>(letter + 32), "d"});
  }
  Compare(dir, "case", ini, queries, {"sEcTiOn"});
}

TEST(IniReader, ValuesLongerThanTheBufferAreCutAsTheSystemCutsThem) {
  TempDir dir("long");
  const std::string a(40000, 'a');
  const std::string ini = "[s]\r\nplain=" + a + "\r\nquoted=\"" + a + "\"\r\nedge=\"" + std::string(1022, 'e') +
                          "\"\r\nedge2=\"" + std::string(1023, 'e') + "\"\r\n";
  std::vector<Query> queries;
  for (const char* key : {"plain", "quoted", "edge", "edge2"}) {
    for (const std::size_t size : {std::size_t{1024}, std::size_t{32767}}) queries.push_back({"s", key, "", size});
  }
  Compare(dir, "long", ini, queries, {"s"});
}

TEST(IniReader, ZerosInTheFileEndNamesAndValuesAsTheSystemEndsThem) {
  TempDir dir("zero");
  const std::string ini = "[S\0x]\r\nK=a \0b\r\nL\0x=c\r\n;q\r\n=e\r\n=f\r\nM=\r\n\0\r\n=g\r\n h \r\n"s;
  std::vector<Query> queries;
  for (const char* key : {"K", "L", "M", "h"}) queries.push_back({"S", key, "d"});
  Compare(dir, "zero", ini, queries, {"S"});
}

// Windows-1251 as the system converts it, byte by byte: the table the
// program decodes and encodes with.
TEST(IniReader, TheCodePageTableIsTheSystems) {
  for (unsigned b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t wide = 0;
    ASSERT_EQ(MultiByteToWideChar(1251, 0, &byte, 1, &wide, 1), 1);
    EXPECT_EQ(static_cast<unsigned>(Windows1251ToUtf16(static_cast<unsigned char>(b))), static_cast<unsigned>(wide))
        << "byte 0x" << std::hex << b;
  }
}

// The progress window reads its picture from the file on its own: a UTF-8
// file names the client's module and its folder as a run reads them.
TEST(IniReader, TheWindowTakesItsPictureFromAUtf8File) {
  TempDir dir("pic");
  const std::string client = dir / "Клиент";
  ASSERT_TRUE(CreateDirectoryA(client.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA((ExeDir() + "\\fake_client.exe").c_str(), (client + "\\Каду.exe").c_str(), TRUE));
  const std::string ini = dir / "velkarin.ini";
  WriteFileBytes(ini, Utf8(WithCrLf("[Основные параметры]\nКаталогИсточник=" + client +
                                    "\n[Оформление]\n# картинка {?}\nФоноваяКартинка=Каду.exe#101\n")));
  const HBITMAP picture = LoadBackgroundPicture(GetModuleHandleA(nullptr), ini.c_str());
  ASSERT_NE(picture, nullptr) << "neither the client's picture nor one of the test's own";
  BITMAP size{};
  ASSERT_NE(GetObjectA(picture, sizeof(size), &size), 0);
  EXPECT_EQ(size.bmWidth, 420) << "not the client's picture";
  EXPECT_EQ(size.bmHeight, 200);
  DeleteObject(picture);
}
