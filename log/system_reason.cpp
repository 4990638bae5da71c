#include "log/system_reason.h"

namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

void DropTrailingBlanks(std::string& text) {
  while (!text.empty() && (text.back() == ' ' || IsLineBreak(text.back()))) text.pop_back();
}

}  // namespace

std::string TrimSystemMessage(std::string text) {
  DropTrailingBlanks(text);
  if (!text.empty() && text.back() == '.') text.pop_back();
  DropTrailingBlanks(text);
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsLineBreak(text[i])) {
      line += text[i];
      continue;
    }
    while (i + 1 < text.size() && IsLineBreak(text[i + 1])) ++i;
    if (!line.empty() && line.back() != ' ') line += ' ';
  }
  return line;
}

std::string ReasonSuffix(std::uint32_t code, const std::string& message) {
  const std::string number = std::to_string(code);
  if (message.empty()) return " (" + number + ")";
  return " (" + number + ": " + message + ")";
}
