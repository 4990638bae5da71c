#pragma once
// The publisher's keys as text. A workstation's ini names the public key
// (or two, while an administrator changes keys) in КлючИздателя; the
// private key lives in a file the administrator keeps. The numbers are the
// ECDSA P-256 key's: a public key X||Y (64 bytes), a private key X||Y||d
// (96 bytes).
//
// - A public key is 128 lowercase hexadecimal characters.
// - КлючИздателя holds one key, or two separated by a comma; blanks
//   (spaces, tabs) may stand around each. Anything else is refused whole:
//   a key of another length, a character that is no lowercase hex digit,
//   an empty part, a third key.
// - The private key file: the line "velkarin-publisher-key 1", then one
//   line of 192 lowercase hexadecimal characters, each line ended by CR LF.
//   A file saved again by an editor with LF ends, or without the last line
//   end, still reads; anything else does not.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using PublisherPublicKey = std::array<std::uint8_t, 64>;
using PublisherPrivateKey = std::array<std::uint8_t, 96>;

// How many keys КлючИздателя may hold at once.
constexpr std::size_t kMaxPublisherKeys = 2;

// The first line of a private key file.
inline constexpr const char* kPrivateKeyFileHeader = "velkarin-publisher-key 1";

// Bytes as lowercase hexadecimal text, two characters a byte.
[[nodiscard]] std::string LowerHex(const std::uint8_t* bytes, std::size_t size);

// One public key: exactly 128 lowercase hex characters, nothing around them.
[[nodiscard]] bool ParsePublicKey(std::string_view text, PublisherPublicKey& key);

// КлючИздателя's value: one or two keys. `keys` is filled only on success.
[[nodiscard]] bool ParsePublisherKeys(std::string_view value, std::vector<PublisherPublicKey>& keys);

// The public key file's text: the key's line and CR LF.
[[nodiscard]] std::string FormatPublicKeyFile(const PublisherPublicKey& key);

// The private key file's text, and the key read back from it.
[[nodiscard]] std::string FormatPrivateKeyFile(const PublisherPrivateKey& key);
[[nodiscard]] bool ParsePrivateKeyFile(std::string_view text, PublisherPrivateKey& key);
