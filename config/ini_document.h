#pragma once
// The sections and keys of an ini file, read the way the system's profile
// reader (GetPrivateProfileStringA, GetPrivateProfileSectionA) reads a
// Windows-1251 file, so that such a file gives what it always gave:
// - a line ends at CR or LF; blanks (tab, LF, VT, FF, CR, Ctrl-Z, space) are
//   trimmed from both ends of a line; blank lines count for nothing;
// - "[name]" starts a section: the name runs to the last "]" of the line and
//   is trimmed; whatever follows that "]" is ignored; a line with "[" and no
//   "]" is a key line;
// - a key line is cut at its first "=": the name trimmed before it, the value
//   trimmed after it; a line without "=" is a key without a value; a line
//   with no name right after another one with no name is dropped;
// - a zero character ends a name or value where it stands;
// - names match ignoring case by the Windows-1251 table (UpperCase1251); of
//   sections, and of keys in a section, that match a name the first counts.
// The system's reader under Wine folds only the Latin letters; this one
// also matches "[основные параметры]" to [Основные параметры], as Windows
// does.
// Names and values are kept in Windows-1251: one that holds a character the
// code page lacks is marked as not fitting (a name that does not fit matches
// no name), and only what the program asks for is checked, so a comment or a
// key it never reads can hold anything.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A key's value, or a section's lines, as the program asked for them.
struct IniValue {
  std::string text;  // Windows-1251; "?" stands for a character it lacks
  bool fits = true;  // false when "?" stands for something
};

// A section's lines as the system's reader gives them, except that nothing
// limits their length.
struct IniSectionLines {
  // "name=value", or "name" for a key without a value, each followed by a
  // zero. Lines whose name begins with ";" are left out.
  std::string text;
  // Where the lines that do not fit Windows-1251 start in `text`.
  std::vector<std::size_t> unfit;
};

class IniDocument {
 public:
  IniDocument() = default;  // an empty file: every key absent
  // Parses text decoded from the file (config/ini_text.h).
  explicit IniDocument(std::u16string_view text);

  // As GetPrivateProfileStringA with a buffer of `size` bytes: the key's
  // value, or `fallback` when the section or the key is absent or the key
  // has no "=". Trailing spaces of the fallback go; then one pair of equal
  // quotes (' or ") around the whole text goes; the text is cut to
  // `size` - 1 characters. `size` is at least 2.
  [[nodiscard]] IniValue Value(std::string_view section, std::string_view key, std::string_view fallback,
                               std::size_t size) const;

  // As GetPrivateProfileSectionA, in file order; empty when the section is
  // absent.
  [[nodiscard]] IniSectionLines Section(std::string_view section) const;

 private:
  struct Key {
    std::string name;
    std::string value;
    bool hasValue = false;
    bool nameFits = true;
    bool valueFits = true;
  };
  struct ParsedSection {
    std::string name;
    bool nameFits = true;
    std::vector<Key> keys;
  };

  const ParsedSection* FindSection(std::string_view name) const;

  // In file order; the first, named "", holds the keys before any section
  // line.
  std::vector<ParsedSection> sections_;
};

// True when two names are equal ignoring case by the Windows-1251 table.
[[nodiscard]] bool SameIniName(std::string_view a, std::string_view b) noexcept;
