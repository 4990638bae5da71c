// Arbitrary bytes as an ini file: detected, decoded, parsed and asked for
// what the program asks. A Windows-1251 file must come back byte for byte
// and fit everywhere; every value and line must be one line of text, cut to
// its buffer; where a section's lines do not fit must be line starts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/ini_document.h"
#include "config/ini_text.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool OneLine(const std::string& text) { return text.find_first_of("\r\n") == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t mark = 0;
  const IniEncoding encoding = DetectIniEncoding(bytes, mark);
  Require(mark <= 3 && mark <= size);
  const std::u16string text = DecodeIniText(bytes);
  const bool windows1251 = encoding == IniEncoding::Windows1251;
  if (windows1251) {
    std::string back;
    Require(AppendAsWindows1251(text, back));
    Require(back == bytes);
  }

  const IniDocument ini(text);
  // Short names a short input can hit. (Clang keeps literals in UTF-8, so
  // the program's Russian names could not be written here as it asks them.)
  const char* const sections[] = {"a", "A", "b", ""};
  const char* const keys[] = {"a", "b", "B", ""};
  for (const char* section : sections) {
    for (const char* key : keys) {
      for (const std::size_t buffer : {std::size_t{2}, std::size_t{5}, std::size_t{1024}}) {
        const IniValue value = ini.Value(section, key, "'fallback'  ", buffer);
        Require(value.text.size() <= buffer - 1);
        Require(OneLine(value.text));
        Require(value.text.find('\0') == std::string::npos);
        Require(value.fits || !windows1251);
      }
    }
    const IniSectionLines lines = ini.Section(section);
    Require(OneLine(lines.text));
    Require(lines.text.empty() || lines.text.back() == '\0');
    Require(lines.unfit.empty() || !windows1251);
    std::size_t previous = 0;
    for (std::size_t i = 0; i < lines.unfit.size(); ++i) {
      const std::size_t start = lines.unfit[i];
      Require(start < lines.text.size());
      Require(start == 0 || lines.text[start - 1] == '\0');
      Require(i == 0 || start > previous);
      previous = start;
    }
  }
  return 0;
}
