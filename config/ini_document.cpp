#include "config/ini_document.h"

#include <utility>

#include "config/ini_text.h"
#include "config/upper_case_1251.h"

namespace {

// The blanks the profile reader trims: ASCII white space and Ctrl-Z, the end
// of file mark of old DOS editors. Not the no-break space.
bool IsBlank(char16_t unit) { return (unit >= 0x09 && unit <= 0x0D) || unit == 0x1A || unit == 0x20; }

bool IsLineEnd(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A name or value ends at a zero character, as a C string does.
std::u16string_view UpToZero(std::u16string_view text) {
  const std::size_t zero = text.find(u'\0');
  return zero == std::u16string_view::npos ? text : text.substr(0, zero);
}

// `text` in Windows-1251 into `out`; false when it does not fit.
bool Store(std::u16string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  return AppendAsWindows1251(UpToZero(text), out);
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

bool SameIniName(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperCase1251Char(static_cast<unsigned char>(a[i])) != UpperCase1251Char(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

IniDocument::IniDocument(std::u16string_view text) {
  sections_.emplace_back();
  // Whether the last key of the current section has an empty name: a
  // nameless line right after it is dropped, as the system's reader does.
  bool lastKeyNameless = false;
  bool haveLastKey = false;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = at;
    while (end < text.size() && !IsLineEnd(text[end])) ++end;
    const std::u16string_view line = Trimmed(text.substr(at, end - at));
    at = end;
    while (at < text.size() && IsLineEnd(text[at])) ++at;
    if (line.empty()) continue;

    if (line.front() == u'[') {
      const std::size_t close = line.rfind(u']');
      if (close != std::u16string_view::npos) {
        ParsedSection section;
        section.nameFits = Store(Trimmed(line.substr(1, close - 1)), section.name);
        sections_.push_back(std::move(section));
        haveLastKey = false;
        continue;
      }
    }

    const std::size_t equals = line.find(u'=');
    const std::u16string_view name = Trimmed(line.substr(0, equals));
    if (name.empty() && haveLastKey && lastKeyNameless) continue;
    Key key;
    key.nameFits = Store(name, key.name);
    if (equals != std::u16string_view::npos) {
      key.hasValue = true;
      key.valueFits = Store(Trimmed(line.substr(equals + 1)), key.value);
    }
    lastKeyNameless = key.name.empty();
    haveLastKey = true;
    sections_.back().keys.push_back(std::move(key));
  }
}

const IniDocument::ParsedSection* IniDocument::FindSection(std::string_view name) const {
  for (const ParsedSection& section : sections_) {
    if (section.nameFits && SameIniName(section.name, name)) return &section;
  }
  return nullptr;
}

IniValue IniDocument::Value(std::string_view section, std::string_view key, std::string_view fallback,
                            std::size_t size) const {
  IniValue result;
  std::string_view source = fallback;
  // Only spaces, and never the first character, as the system's reader.
  while (source.size() > 1 && source.back() == ' ') source.remove_suffix(1);
  if (const ParsedSection* found = FindSection(section)) {
    for (const Key& candidate : found->keys) {
      if (!candidate.nameFits || !SameIniName(candidate.name, key)) continue;
      if (candidate.hasValue) {
        source = candidate.value;
        result.fits = candidate.valueFits;
      }
      break;
    }
  }
  const bool quoted = source.size() >= 2 && IsQuote(source.front()) && source.back() == source.front();
  if (quoted) source.remove_prefix(1);
  result.text = std::string(source.substr(0, size - 1));
  // The closing quote goes only when the whole text fitted the buffer; cut
  // short, the text loses its last character instead, as the system's
  // reader has it.
  if (quoted && size >= source.size() && !result.text.empty()) result.text.pop_back();
  return result;
}

IniSectionLines IniDocument::Section(std::string_view section) const {
  IniSectionLines lines;
  const ParsedSection* found = FindSection(section);
  if (found == nullptr) return lines;
  for (const Key& key : found->keys) {
    if (key.name.empty() && !key.hasValue) continue;
    if (!key.name.empty() && key.name.front() == ';') continue;
    if (!key.nameFits || (key.hasValue && !key.valueFits)) lines.unfit.push_back(lines.text.size());
    lines.text += key.name;
    if (key.hasValue) lines.text += "=" + key.value;
    lines.text.push_back('\0');
  }
  return lines;
}
