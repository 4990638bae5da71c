#include "config/publisher_key.h"

namespace {

constexpr char kDigits[] = "0123456789abcdef";

// The value of a lowercase hex digit, or -1.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Exactly 2 × size lowercase hex digits into `bytes`.
bool ParseHex(std::string_view text, std::uint8_t* bytes, std::size_t size) {
  if (text.size() != 2 * size) return false;
  for (std::size_t i = 0; i < size; ++i) {
    const int high = DigitValue(text[2 * i]);
    const int low = DigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Takes one line off the front of `text`: up to LF, without the LF or a CR
// before it. False when the line holds a CR anywhere else.
bool TakeLine(std::string_view& text, std::string_view& line) {
  const std::size_t end = text.find('\n');
  line = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line.find('\r') == std::string_view::npos;
}

}  // namespace

std::string LowerHex(const std::uint8_t* bytes, std::size_t size) {
  std::string text;
  text.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

bool ParsePublicKey(std::string_view text, PublisherPublicKey& key) {
  return ParseHex(text, key.data(), key.size());
}

bool ParsePublisherKeys(std::string_view value, std::vector<PublisherPublicKey>& keys) {
  std::vector<PublisherPublicKey> parsed;
  while (true) {
    const std::size_t comma = value.find(',');
    PublisherPublicKey key{};
    if (parsed.size() == kMaxPublisherKeys || !ParsePublicKey(Trimmed(value.substr(0, comma)), key)) return false;
    parsed.push_back(key);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  keys = std::move(parsed);
  return true;
}

std::string FormatPublicKeyFile(const PublisherPublicKey& key) {
  return LowerHex(key.data(), key.size()) + "\r\n";
}

std::string FormatPrivateKeyFile(const PublisherPrivateKey& key) {
  return std::string(kPrivateKeyFileHeader) + "\r\n" + LowerHex(key.data(), key.size()) + "\r\n";
}

bool ParsePrivateKeyFile(std::string_view text, PublisherPrivateKey& key) {
  std::string_view header;
  std::string_view number;
  if (!TakeLine(text, header) || header != kPrivateKeyFileHeader) return false;
  if (!TakeLine(text, number) || !text.empty()) return false;
  return ParseHex(number, key.data(), key.size());
}
