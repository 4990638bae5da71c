#pragma once
// The bytes of an ini file as text. Editors save it in Windows-1251 (the
// program's own code page), in UTF-8 with or without a byte-order mark (what
// Notepad writes today) or in UTF-16 with a mark. The text is decoded to
// UTF-16 code units, the form the system's profile reader has always parsed
// it in, and what the program uses of it goes back to Windows-1251.
#include <cstddef>
#include <string>
#include <string_view>

enum class IniEncoding { Windows1251, Utf8, Utf16LittleEndian, Utf16BigEndian };

// The encoding of an ini file's bytes, and the length of the byte-order mark
// that starts them (0 when none). A UTF-8 or UTF-16 mark decides. Without
// one, bytes that are well-formed UTF-8 holding at least one multi-byte
// sequence are UTF-8: Russian text in Windows-1251 practically never is,
// since its letters are lead bytes that would each need continuation bytes
// (0x80-0xBF) after them. Anything else is Windows-1251, byte for byte.
[[nodiscard]] IniEncoding DetectIniEncoding(std::string_view bytes, std::size_t& markLength);

// True when `bytes` are well-formed UTF-8 (no overlong forms, no encoded
// surrogates, nothing past U+10FFFF) and hold at least one multi-byte
// sequence.
[[nodiscard]] bool IsUtf8WithMultiByteSequence(std::string_view bytes);

// The whole text after its mark, as UTF-16 code units. After a UTF-8 mark a
// malformed byte becomes U+FFFD; a last odd byte of UTF-16 text is dropped.
[[nodiscard]] std::u16string DecodeIniText(std::string_view bytes);

// The character a Windows-1251 byte stands for. Every byte has one (0x98,
// which the code page leaves unassigned, stands for U+0098, as the system's
// conversion takes it), so a Windows-1251 file goes back byte for byte.
[[nodiscard]] char16_t Windows1251ToUtf16(unsigned char byte) noexcept;

// Appends `text` in Windows-1251. False when a code unit has no Windows-1251
// byte: "?" stands for each such unit, so lengths stay those of the text.
[[nodiscard]] bool AppendAsWindows1251(std::u16string_view text, std::string& out);
