#include "config/ini_text.h"

namespace {

// Bytes 0x80-0xBF; 0xC0-0xFF are А-я, U+0410-U+044F in order.
constexpr char16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  //
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  //
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  //
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  //
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  //
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// One UTF-8 sequence at `at`: its code point and length, or false when it
// is malformed (cut short, overlong, a surrogate, past U+10FFFF).
bool Utf8Sequence(std::string_view bytes, std::size_t at, char32_t& point, std::size_t& length) {
  const unsigned char lead = static_cast<unsigned char>(bytes[at]);
  char32_t least = 0;
  if (lead < 0x80) {
    point = lead;
    length = 1;
    return true;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    point = lead & 0x1F;
    length = 2;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    point = lead & 0x0F;
    length = 3;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    point = lead & 0x07;
    length = 4;
    least = 0x10000;
  } else {
    return false;
  }
  if (bytes.size() - at < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(bytes[at + i]);
    if (!IsContinuation(next)) return false;
    point = (point << 6) | (next & 0x3F);
  }
  return point >= least && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
}

void AppendUtf16(char32_t point, std::u16string& out) {
  if (point < 0x10000) {
    out.push_back(static_cast<char16_t>(point));
    return;
  }
  point -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (point >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (point & 0x3FF)));
}

std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    char32_t point = 0;
    std::size_t length = 0;
    if (Utf8Sequence(bytes, at, point, length)) {
      AppendUtf16(point, text);
      at += length;
    } else {
      text.push_back(kReplacement);
      ++at;
    }
  }
  return text;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[at]);
    const unsigned second = static_cast<unsigned char>(bytes[at + 1]);
    text.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
  }
  return text;
}

std::u16string DecodeWindows1251(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) text.push_back(Windows1251ToUtf16(static_cast<unsigned char>(byte)));
  return text;
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

}  // namespace

bool IsUtf8WithMultiByteSequence(std::string_view bytes) {
  bool multiByte = false;
  std::size_t at = 0;
  while (at < bytes.size()) {
    char32_t point = 0;
    std::size_t length = 0;
    if (!Utf8Sequence(bytes, at, point, length)) return false;
    multiByte = multiByte || length > 1;
    at += length;
  }
  return multiByte;
}

IniEncoding DetectIniEncoding(std::string_view bytes, std::size_t& markLength) {
  markLength = 0;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    markLength = 3;
    return IniEncoding::Utf8;
  }
  if (StartsWith(bytes, "\xFF\xFE")) {
    markLength = 2;
    return IniEncoding::Utf16LittleEndian;
  }
  if (StartsWith(bytes, "\xFE\xFF")) {
    markLength = 2;
    return IniEncoding::Utf16BigEndian;
  }
  return IsUtf8WithMultiByteSequence(bytes) ? IniEncoding::Utf8 : IniEncoding::Windows1251;
}

std::u16string DecodeIniText(std::string_view bytes) {
  std::size_t markLength = 0;
  const IniEncoding encoding = DetectIniEncoding(bytes, markLength);
  const std::string_view text = bytes.substr(markLength);
  switch (encoding) {
    case IniEncoding::Utf8:
      return DecodeUtf8(text);
    case IniEncoding::Utf16LittleEndian:
      return DecodeUtf16(text, false);
    case IniEncoding::Utf16BigEndian:
      return DecodeUtf16(text, true);
    case IniEncoding::Windows1251:
      break;
  }
  return DecodeWindows1251(text);
}

char16_t Windows1251ToUtf16(unsigned char byte) noexcept {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return static_cast<char16_t>(0x0410 + (byte - 0xC0));
  return kHighHalf[byte - 0x80];
}

bool AppendAsWindows1251(std::u16string_view text, std::string& out) {
  bool fits = true;
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit >= 0x0410 && unit <= 0x044F) {
      out.push_back(static_cast<char>(0xC0 + (unit - 0x0410)));
    } else {
      std::size_t index = 0;
      while (index < 64 && kHighHalf[index] != unit) ++index;
      if (index < 64) {
        out.push_back(static_cast<char>(0x80 + index));
      } else {
        out.push_back('?');
        fits = false;
      }
    }
  }
  return fits;
}
