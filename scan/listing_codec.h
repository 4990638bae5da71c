#pragma once
// The byte level of the published listing (see published_listing.h): its
// checksum, and little-endian numbers and names written and read back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "model/sha256_digest.h"
#include "model/snapshot.h"
#include "scan/published_listing.h"

namespace listing_codec {

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

class Writer {
 public:
  void U8(std::uint8_t v) { bytes_.push_back(v); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Name(const char* name) {
    const std::size_t length = std::strlen(name);
    U8(static_cast<std::uint8_t>(length));
    bytes_.insert(bytes_.end(), name, name + length);
  }
  void Raw(const std::uint8_t* data, std::size_t size) { bytes_.insert(bytes_.end(), data, data + size); }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Left() const { return size_ - at_; }
  bool U8(std::uint8_t& v) {
    if (Left() < 1) return false;
    v = data_[at_++];
    return true;
  }
  bool U32(std::uint32_t& v) {
    if (Left() < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(data_[at_ + i]) << (8 * i);
    at_ += 4;
    return true;
  }
  bool U64(std::uint64_t& v) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    if (!U32(low) || !U32(high)) return false;
    v = (static_cast<std::uint64_t>(high) << 32) | low;
    return true;
  }
  // A name into `name` (kFileNameSize bytes), checked.
  ListingProblem Name(char* name) {
    std::uint8_t length = 0;
    if (!U8(length) || Left() < length) return ListingProblem::Corrupt;
    const char* text = reinterpret_cast<const char*>(data_ + at_);
    if (!IsListableName(text, length)) return ListingProblem::BadName;
    std::memcpy(name, text, length);
    name[length] = '\0';
    at_ += length;
    return ListingProblem::None;
  }
  bool FileFields(FileEntry& entry) {
    return U32(entry.attributes) && U64(entry.size) && U32(entry.lastWriteTime.low) &&
           U32(entry.lastWriteTime.high);
  }
  bool Hash(Sha256Digest* hash) {
    if (Left() < sizeof(Sha256Digest)) return false;
    if (hash != nullptr) std::memcpy(hash->data(), data_ + at_, sizeof(Sha256Digest));
    at_ += sizeof(Sha256Digest);
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace listing_codec
