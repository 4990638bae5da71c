#include "scan/published_listing.h"

#include <array>
#include <cstring>
#include <string>
#include <unordered_set>

#include "model/name_fold.h"
#include "model/temporary_name.h"
#include "scan/listing_codec.h"

namespace {

using listing_codec::Crc32;
using listing_codec::Reader;
using listing_codec::Writer;

constexpr std::uint8_t kMagic[4] = {'V', 'K', 'L', 'S'};
constexpr std::uint8_t kSignatureMagic[4] = {'V', 'K', 'S', 'G'};
constexpr std::size_t kHeaderSize = 36;
constexpr std::size_t kSignatureBlockSize = 4 + 4 + kListingSignatureSize;
constexpr std::size_t kHashSize = sizeof(Sha256Digest);
// The least a record can take: a one-byte name and its fixed fields.
constexpr std::size_t kSmallestFile = 1 + 1 + 4 + 8 + 4 + 4;
constexpr std::size_t kSmallestDirectory = 1 + 1 + 4 + 4;

// `hashes`: null for version 1. False when a file has no hash there.
bool WriteBody(Writer& out, const DirNode* node, const std::vector<Sha256Digest>* hashes,
               std::uint32_t& directories, std::uint32_t& files) {
  out.U32(static_cast<std::uint32_t>(node->record.entries.size()));
  for (const FileEntry& entry : node->record.entries) {
    out.Name(entry.name);
    out.U32(entry.attributes);
    out.U64(entry.size);
    out.U32(entry.lastWriteTime.low);
    out.U32(entry.lastWriteTime.high);
    if (hashes != nullptr) {
      if (entry.hashIndex >= hashes->size()) return false;
      out.Raw((*hashes)[entry.hashIndex].data(), kHashSize);
    }
    ++files;
  }
  std::uint32_t children = 0;
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) ++children;
  out.U32(children);
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    out.Name(child->record.name.c_str());
    ++directories;
    if (!WriteBody(out, child, hashes, directories, files)) return false;
  }
  return true;
}

std::vector<std::uint8_t> Serialize(const DirNode* root, FileTime published,
                                    const std::vector<Sha256Digest>* hashes) {
  Writer payload;
  std::uint32_t directories = 0;
  std::uint32_t files = 0;
  if (!WriteBody(payload, root, hashes, directories, files)) return {};
  std::vector<std::uint8_t>& body = payload.Bytes();
  Writer out;
  for (std::uint8_t b : kMagic) out.U8(b);
  out.U32(hashes != nullptr ? kSignedListingVersion : kListingVersion);
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

// Bytes the allocator adds to each block (its header and rounding), and the
// characters a std::string holds in itself before it allocates a block.
constexpr std::uint64_t kAllocationOverhead = 2 * sizeof(void*);
constexpr std::size_t kNameHeldInPlace = 15;

// The first pass: what the listing says, checked, with nothing built.
struct Check {
  const ListingLimits& limits;
  bool hashed = false;                // version 2: a hash after each file
  std::uint32_t directoriesTold = 0;  // the header's totals
  std::uint32_t filesTold = 0;
  std::uint32_t directories = 0;
  std::uint32_t files = 0;
  std::uint64_t nameBytes = 0;
};

// `pathLength`: the length of the directory's relative path as a work list
// holds it ("." and a backslash and a name for each level), which must fit
// the run's path buffers with a file name after it; this also bounds the
// nesting depth. `relativeLength`: the same path as the scan lists it
// below the source root ("a\b\"; 0 for the root).
ListingProblem CheckBody(Reader& in, std::size_t pathLength, long relativeLength, Check& check) {
  if (pathLength >= kPathSize) return ListingProblem::Corrupt;
  if (relativeLength > check.limits.longestDirectoryPath) return ListingProblem::PathTooLong;
  // Counts are held to the bytes left and to the header's totals, which a
  // first pass that allocates nothing by them keeps honest.
  std::uint32_t fileCount = 0;
  const std::size_t smallestFile = kSmallestFile + (check.hashed ? kHashSize : 0);
  if (!in.U32(fileCount) || fileCount > in.Left() / smallestFile || fileCount > check.filesTold - check.files) {
    return ListingProblem::Corrupt;
  }
  // Names of this directory as the file system compares them: files and
  // directories share one name space.
  std::unordered_set<std::string> folded;
  const auto repeats = [&folded](const char* name) { return !folded.insert(FoldedName(name)).second; };
  FileEntry entry;
  for (std::uint32_t i = 0; i < fileCount; ++i) {
    const ListingProblem name = in.Name(entry.name);
    if (name != ListingProblem::None) return name;
    if (!in.FileFields(entry) || (check.hashed && !in.Hash(nullptr))) return ListingProblem::Corrupt;
    if (entry.attributes & kAttributeDirectory) return ListingProblem::Corrupt;  // files only
    // A scan never takes a run's unfinished copy or aside file for part of
    // a release; a listing that names one would have it copied by one run
    // and removed as a leftover by the next, for ever.
    if (IsTemporaryName(entry.name) || IsAsideName(entry.name)) return ListingProblem::BadName;
    if (repeats(entry.name)) return ListingProblem::RepeatedName;
    ++check.files;
  }
  std::uint32_t childCount = 0;
  if (!in.U32(childCount) || childCount > in.Left() / kSmallestDirectory ||
      childCount > check.directoriesTold - check.directories) {
    return ListingProblem::Corrupt;
  }
  for (std::uint32_t i = 0; i < childCount; ++i) {
    char name[kFileNameSize];
    const ListingProblem problem = in.Name(name);
    if (problem != ListingProblem::None) return problem;
    if (repeats(name)) return ListingProblem::RepeatedName;
    const std::size_t length = std::strlen(name);
    ++check.directories;
    if (length > kNameHeldInPlace) check.nameBytes += length + 1 + kAllocationOverhead;
    const long childRelative = relativeLength + static_cast<long>(length) + 1;
    const ListingProblem below = CheckBody(in, pathLength + 1 + length, childRelative, check);
    if (below != ListingProblem::None) return below;
  }
  return ListingProblem::None;
}

// The second pass, over a payload the first one passed: every count is now
// known to be what follows it. `hashed`: version 2; its hashes go to
// `hashes` when given.
bool BuildBody(Reader& in, DirNode* node, bool hashed, std::vector<Sha256Digest>* hashes) {
  std::uint32_t fileCount = 0;
  if (!in.U32(fileCount)) return false;
  node->record.entries.resize(fileCount);
  for (FileEntry& entry : node->record.entries) {
    if (in.Name(entry.name) != ListingProblem::None || !in.FileFields(entry)) return false;
    if (!hashed) continue;
    Sha256Digest* hash = nullptr;
    if (hashes != nullptr) {
      entry.hashIndex = static_cast<std::uint32_t>(hashes->size());
      hash = &hashes->emplace_back();
    }
    if (!in.Hash(hash)) return false;
  }
  std::uint32_t childCount = 0;
  if (!in.U32(childCount)) return false;
  for (std::uint32_t i = 0; i < childCount; ++i) {
    char name[kFileNameSize];
    if (in.Name(name) != ListingProblem::None) return false;
    if (!BuildBody(in, AppendChild(node, CreateNode(name)), hashed, hashes)) return false;
  }
  return true;
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

std::uint64_t ListingTreeBytes(std::uint64_t directories, std::uint64_t files, std::uint64_t nameBytes) {
  // Each directory is a node and, when it holds files, one block of them.
  return directories * (sizeof(DirNode) + 2 * kAllocationOverhead) + files * sizeof(FileEntry) + nameBytes;
}

std::vector<std::uint8_t> SerializeListing(const DirNode* root, FileTime published) {
  return Serialize(root, published, nullptr);
}

std::vector<std::uint8_t> SerializeHashedListing(const DirNode* root, FileTime published,
                                                 const std::vector<Sha256Digest>& hashes) {
  return Serialize(root, published, &hashes);
}

void AppendListingSignature(std::vector<std::uint8_t>& bytes, const ListingSignature& signature) {
  Writer block;
  for (std::uint8_t b : kSignatureMagic) block.U8(b);
  block.U32(static_cast<std::uint32_t>(kListingSignatureSize));
  block.Raw(signature.data(), signature.size());
  bytes.insert(bytes.end(), block.Bytes().begin(), block.Bytes().end());
}

void SealListing(std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kHeaderSize) return;
  Reader header(bytes.data() + kHeaderSize - 12, 8);
  std::uint64_t payloadLength = 0;
  (void)header.U64(payloadLength);
  const std::size_t available = bytes.size() - kHeaderSize;
  const std::size_t covered = payloadLength < available ? static_cast<std::size_t>(payloadLength) : available;
  const std::uint32_t crc = Crc32(bytes.data() + kHeaderSize, covered);
  for (int i = 0; i < 4; ++i) bytes[kHeaderSize - 4 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
}

ParsedListing ParseListing(const std::uint8_t* data, std::size_t size, DirNode* root,
                           const ListingLimits& limits, std::vector<Sha256Digest>* hashes) {
  ParsedListing result;
  if (hashes != nullptr) hashes->clear();
  const auto fail = [&](ListingProblem problem) {
    DestroySubtree(root);
    if (hashes != nullptr) hashes->clear();
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
  if (version > kSignedListingVersion) return fail(ListingProblem::NewerFormat);
  if (version != kListingVersion && version != kSignedListingVersion) return fail(ListingProblem::Corrupt);
  result.version = version;
  const bool hashed = version == kSignedListingVersion;
  // A signed listing ends with its signature block.
  const std::size_t trailer = hashed ? kSignatureBlockSize : 0;
  const std::size_t available = size - kHeaderSize;
  if (payloadLength > available || available - payloadLength < trailer) return fail(ListingProblem::Truncated);
  if (available - payloadLength > trailer) return fail(ListingProblem::Corrupt);
  const std::size_t payloadSize = static_cast<std::size_t>(payloadLength);
  const std::uint8_t* payload = data + kHeaderSize;
  if (Crc32(payload, payloadSize) != checksum) return fail(ListingProblem::Corrupt);
  if (hashed) {
    const std::uint8_t* block = payload + payloadSize;
    Reader length(block + 4, 4);
    std::uint32_t signatureLength = 0;
    (void)length.U32(signatureLength);
    if (std::memcmp(block, kSignatureMagic, sizeof(kSignatureMagic)) != 0 ||
        signatureLength != kListingSignatureSize) {
      return fail(ListingProblem::Corrupt);
    }
    result.signedSize = kHeaderSize + payloadSize;
    std::memcpy(result.signature.data(), block + 8, kListingSignatureSize);
  }
  // The hashes a run keeps, on top of the tree.
  const std::uint64_t hashBytes = hashed && hashes != nullptr ? kHashSize : 0;
  // The header's totals bound what the first pass may find: a tree they
  // already put beyond the budget is refused before the payload is walked.
  if (ListingTreeBytes(result.directories, result.files, 0) + hashBytes * result.files > limits.memoryBudget) {
    return fail(ListingProblem::TooLarge);
  }
  Reader first(payload, payloadSize);
  Check check{limits, hashed, result.directories, result.files};
  const ListingProblem problem = CheckBody(first, 1, 0, check);
  if (problem != ListingProblem::None) return fail(problem);
  if (first.Left() != 0 || check.directories != result.directories || check.files != result.files) {
    return fail(ListingProblem::Corrupt);
  }
  if (ListingTreeBytes(check.directories, check.files, check.nameBytes) + hashBytes * check.files >
      limits.memoryBudget) {
    return fail(ListingProblem::TooLarge);
  }
  if (hashes != nullptr && hashed) hashes->reserve(check.files);
  Reader second(payload, payloadSize);
  if (!BuildBody(second, root, hashed, hashes)) return fail(ListingProblem::Corrupt);
  return result;
}
