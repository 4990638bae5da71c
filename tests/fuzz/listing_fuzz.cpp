// Arbitrary bytes as a published listing, as anyone who can write to the
// share could leave one. A listing is refused whole or read whole: what is
// read holds only names a directory listing could return, nests no deeper
// than the run's paths allow, no two names one directory could not hold
// together and none of a run's own temporaries, and publishes back to the
// very same bytes (a signed one with its hashes and signature).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model/limits.h"
#include "model/name_fold.h"
#include "model/snapshot.h"
#include "model/temporary_name.h"
#include "scan/published_listing.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckTree(const DirNode* node, std::size_t pathLength, std::size_t& directories, std::size_t& files) {
  Require(pathLength < kPathSize);
  std::set<std::string> folded;  // one directory holds no two names the file system takes for one
  for (const FileEntry& entry : node->record.entries) {
    Require(IsListableName(entry.name, std::strlen(entry.name)));
    Require((entry.attributes & kAttributeDirectory) == 0);
    Require(!IsTemporaryName(entry.name) && !IsAsideName(entry.name));
    Require(folded.insert(FoldedName(entry.name)).second);
    ++files;
  }
  for (const DirNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    const std::size_t length = child->record.name.size();
    Require(IsListableName(child->record.name.c_str(), length));
    Require(folded.insert(FoldedName(child->record.name.c_str())).second);
    ++directories;
    CheckTree(child, pathLength + 1 + length, directories, files);
  }
}

// Most inputs get a matching checksum, as a forger would give them, so that
// the fuzzer reaches the payload's reader instead of stopping at the check.
std::vector<std::uint8_t> Resealed(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  if (size < 36 || (size % 8) == 0) return bytes;
  SealListing(bytes);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  const std::vector<std::uint8_t> bytes = Resealed(input, size);
  const std::uint8_t* data = bytes.data();
  DirSnapshot root = CreateSnapshot();
  std::vector<Sha256Digest> hashes;
  const ParsedListing parsed = ParseListing(data, size, root.get(), {}, &hashes);
  if (parsed.problem != ListingProblem::None) {
    Require(root->firstChild == nullptr && root->record.entries.empty() && hashes.empty());
    return 0;
  }
  std::size_t directories = 0;
  std::size_t files = 0;
  CheckTree(root.get(), 1, directories, files);
  Require(directories == parsed.directories && files == parsed.files);
  std::vector<std::uint8_t> again;
  if (parsed.version == kSignedListingVersion) {
    // Signed: one hash per file, and the signature covers all before it.
    Require(hashes.size() == files && parsed.signedSize + 72 == size);
    again = SerializeHashedListing(root.get(), parsed.published, hashes);
    Require(again.size() == parsed.signedSize);
    AppendListingSignature(again, parsed.signature);
  } else {
    Require(hashes.empty() && parsed.signedSize == 0);
    again = SerializeListing(root.get(), parsed.published);
  }
  Require(again.size() == size && std::memcmp(again.data(), data, size) == 0);
  return 0;
}
