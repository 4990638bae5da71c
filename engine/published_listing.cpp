#include "engine/published_listing.h"

#include <array>
#include <cstring>

namespace {

constexpr std::uint8_t kMagic[4] = {'V', 'K', 'L', 'S'};
constexpr std::size_t kHeaderSize = 36;
// The least a record can take: a one-byte name and its fixed fields.
constexpr std::size_t kSmallestFile = 1 + 1 + 4 + 8 + 4 + 4;
constexpr std::size_t kSmallestDirectory = 1 + 1 + 4 + 4;

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
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
  std::vector<std::uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

void WriteBody(Writer& out, const DirNode* node, std::uint32_t& directories, std::uint32_t& files) {
  out.U32(static_cast<std::uint32_t>(node->record.entries.size()));
  for (const FileEntry& entry : node->record.entries) {
    out.Name(entry.name);
    out.U32(entry.attributes);
    out.U64(entry.size);
    out.U32(entry.lastWriteTime.low);
    out.U32(entry.lastWriteTime.high);
    ++files;
  }
  std::uint32_t children = 0;
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) ++children;
  out.U32(children);
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    out.Name(child->record.name);
    ++directories;
    WriteBody(out, child, directories, files);
  }
}

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

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

struct Totals {
  std::uint32_t directories = 0;
  std::uint32_t files = 0;
};

// `pathLength`: the length of the directory's relative path ("." and a
// backslash and a name for each level), which must fit the run's path
// buffers with a file name after it; this also bounds the nesting depth.
ListingProblem ReadBody(Reader& in, DirNode* node, std::size_t pathLength, Totals& totals) {
  if (pathLength >= kPathSize) return ListingProblem::Corrupt;
  std::uint32_t fileCount = 0;
  if (!in.U32(fileCount) || fileCount > in.Left() / kSmallestFile) return ListingProblem::Corrupt;
  node->record.entries.resize(fileCount);
  for (FileEntry& entry : node->record.entries) {
    const ListingProblem name = in.Name(entry.name);
    if (name != ListingProblem::None) return name;
    if (!in.U32(entry.attributes) || !in.U64(entry.size) || !in.U32(entry.lastWriteTime.low) ||
        !in.U32(entry.lastWriteTime.high)) {
      return ListingProblem::Corrupt;
    }
    if (entry.attributes & kAttributeDirectory) return ListingProblem::Corrupt;  // files only
    ++totals.files;
  }
  std::uint32_t childCount = 0;
  if (!in.U32(childCount) || childCount > in.Left() / kSmallestDirectory) return ListingProblem::Corrupt;
  for (std::uint32_t i = 0; i < childCount; ++i) {
    char name[kFileNameSize];
    const ListingProblem problem = in.Name(name);
    if (problem != ListingProblem::None) return problem;
    DirNode* child = AppendChild(node, CreateNode(name));
    ++totals.directories;
    const ListingProblem below = ReadBody(in, child, pathLength + 1 + std::strlen(name), totals);
    if (below != ListingProblem::None) return below;
  }
  return ListingProblem::None;
}

}  // namespace

bool IsListableName(const char* name, std::size_t length) noexcept {
  if (length == 0 || length >= kFileNameSize) return false;
  if ((length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.')) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 32 || std::strchr("<>:\"/\\|?*", c) != nullptr) return false;
  }
  return true;
}

std::vector<std::uint8_t> SerializeListing(const DirNode* root, FileTime published) {
  Writer payload;
  std::uint32_t directories = 0;
  std::uint32_t files = 0;
  WriteBody(payload, root, directories, files);
  std::vector<std::uint8_t>& body = payload.Bytes();
  Writer out;
  for (std::uint8_t b : kMagic) out.U8(b);
  out.U32(kListingVersion);
  out.U32(published.low);
  out.U32(published.high);
  out.U32(directories);
  out.U32(files);
  out.U64(body.size());
  out.U32(0);  // the checksum, sealed below
  std::vector<std::uint8_t>& bytes = out.Bytes();
  bytes.insert(bytes.end(), body.begin(), body.end());
  SealListing(bytes);
  return std::move(bytes);
}

void SealListing(std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kHeaderSize) return;
  const std::uint32_t crc = Crc32(bytes.data() + kHeaderSize, bytes.size() - kHeaderSize);
  for (int i = 0; i < 4; ++i) bytes[kHeaderSize - 4 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
}

ParsedListing ParseListing(const std::uint8_t* data, std::size_t size, DirNode* root) {
  ParsedListing result;
  const auto fail = [&](ListingProblem problem) {
    DestroySubtree(root);
    result.problem = problem;
    return result;
  };
  Reader header(data, size);
  if (size < kHeaderSize) return fail(ListingProblem::Truncated);
  if (std::memcmp(data, kMagic, sizeof(kMagic)) != 0) return fail(ListingProblem::Corrupt);
  std::uint8_t skip = 0;
  for (std::size_t i = 0; i < sizeof(kMagic); ++i) (void)header.U8(skip);
  std::uint32_t version = 0;
  std::uint64_t payloadLength = 0;
  std::uint32_t checksum = 0;
  (void)header.U32(version);
  (void)header.U32(result.published.low);
  (void)header.U32(result.published.high);
  (void)header.U32(result.directories);
  (void)header.U32(result.files);
  (void)header.U64(payloadLength);
  (void)header.U32(checksum);
  if (version > kListingVersion) return fail(ListingProblem::NewerFormat);
  if (version != kListingVersion) return fail(ListingProblem::Corrupt);
  const std::size_t available = size - kHeaderSize;
  if (payloadLength > available) return fail(ListingProblem::Truncated);
  if (payloadLength < available) return fail(ListingProblem::Corrupt);
  const std::uint8_t* payload = data + kHeaderSize;
  if (Crc32(payload, available) != checksum) return fail(ListingProblem::Corrupt);
  Reader in(payload, available);
  Totals totals;
  const ListingProblem problem = ReadBody(in, root, 1, totals);
  if (problem != ListingProblem::None) return fail(problem);
  if (in.Left() != 0 || totals.directories != result.directories || totals.files != result.files) {
    return fail(ListingProblem::Corrupt);
  }
  return result;
}
