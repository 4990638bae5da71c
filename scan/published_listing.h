#pragma once
// The published listing of a source tree: one file at the source root that
// describes every directory and file of the share as a scan would list
// them, so that a workstation reads one file instead of listing every
// directory over the network.
//
// Format, version 1 (all numbers little-endian):
//   header, 36 bytes:
//     "VKLS"                      magic
//     u32 version                 1
//     u64 published               FILETIME of publishing (UTC)
//     u32 directories             below the root
//     u32 files                   in the whole tree
//     u64 payload length          bytes after the header
//     u32 checksum                CRC-32 of the payload
//   payload: the root's body, where a directory body is
//     u32 file count, then each file:  u8 name length, name (Windows-1251),
//                                      u32 attributes, u64 size,
//                                      u32 time low, u32 time high
//     u32 directory count, then each:  u8 name length, name, its body
// Files and directories each keep their listing order.
//
// Version 2, a signed release, differs in two places:
//   each file record ends with the file's SHA-256, 32 bytes, after its time;
//   the payload is followed by the signature block, 72 bytes:
//     "VKSG", u32 signature length 64, the ECDSA P-256 signature (r, s,
//     32 bytes each, big-endian) of the SHA-256 of every byte before the
//     block (header and payload).
// The header's payload length and checksum cover the payload alone. The
// signature stands in the same file, so that a listing and its signature
// are renamed into place together. Programs that know only version 1 take
// a version 2 listing for a newer format and scan the source instead.
//
// A listing comes from the network and anyone who can write to the share
// can write one: it is read as untrusted input. It is read twice: the first
// pass checks everything and allocates nothing that grows with a count it
// read (every count against the bytes that remain and the header's totals,
// every name one a directory listing could have returned, no two names one
// directory could not hold together, no directory deeper than this
// workstation's listing calls reach); only a listing that passes, and
// whose tree fits the memory budget, is built by the second pass.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/sha256_digest.h"
#include "model/snapshot.h"

constexpr char kListingFileName[] = "velkarin.lst";
constexpr char kListingTemporaryName[] = "velkarin.lst.tmp";  // written first, then renamed
constexpr std::uint32_t kListingVersion = 1;
constexpr std::uint32_t kSignedListingVersion = 2;
constexpr std::size_t kListingSignatureSize = 64;
using ListingSignature = std::array<std::uint8_t, kListingSignatureSize>;

// The listing of the tree under `root` (entries' names, attributes, sizes
// and times), published at `published`.
[[nodiscard]] std::vector<std::uint8_t> SerializeListing(const DirNode* root, FileTime published);

// The same in version 2, with each file's hash from `hashes` (at the
// entry's hashIndex), and without its signature block yet: these are the
// bytes to sign. Empty when a file has no hash in `hashes`.
[[nodiscard]] std::vector<std::uint8_t> SerializeHashedListing(const DirNode* root, FileTime published,
                                                               const std::vector<Sha256Digest>& hashes);

// Appends the signature block to a version 2 listing's signed bytes.
void AppendListingSignature(std::vector<std::uint8_t>& bytes, const ListingSignature& signature);

// Writes into the header of `bytes` (a whole listing, header included) the
// checksum of its payload (the header's payload length, at most the bytes
// there are): the last step of publishing, and what anyone who changes a
// payload on purpose can do too, so the checksum guards only against
// damage; the reader's checks, and a signature, guard against the rest.
void SealListing(std::vector<std::uint8_t>& bytes);

enum class ListingProblem {
  None,
  Truncated,     // shorter than its header says
  Corrupt,       // wrong magic, checksum, counts, or bytes left over
  NewerFormat,   // written by a later version of the program
  BadName,       // a name no directory listing could return, or one of a run's own temporaries
  RepeatedName,  // two names of one directory the file system takes for one
  PathTooLong,   // a directory deeper than the listing calls reach from this source
  TooLarge,      // its tree would need more memory than a run may give it
};

// What a listing's tree may make a run hold: a 32-bit program has 2 GB of
// address space for everything, and the run holds the target's picture and
// the work besides.
constexpr std::uint64_t kListingMemoryBudget = sizeof(void*) >= 8 ? 512ull << 20 : 128ull << 20;

// What this workstation allows a listing.
struct ListingLimits {
  std::uint64_t memoryBudget = kListingMemoryBudget;
  // The longest path below the source root of a directory ("a\b\", no
  // leading ".\"; empty for the root) whose listing the scan could read
  // from this workstation's source; negative when not even the root's.
  long longestDirectoryPath = static_cast<long>(kPathSize) - 1;
};

// The memory a tree of `directories` below its root and `files` takes, with
// `nameBytes` the bytes of directory names held apart from their nodes.
[[nodiscard]] std::uint64_t ListingTreeBytes(std::uint64_t directories, std::uint64_t files,
                                             std::uint64_t nameBytes);

struct ParsedListing {
  ListingProblem problem = ListingProblem::None;
  std::uint32_t version = 0;
  FileTime published;
  std::uint32_t directories = 0;
  std::uint32_t files = 0;
  // Version 2: how many bytes from the start the signature covers, and the
  // signature, not yet checked (that takes the publisher's keys).
  std::size_t signedSize = 0;
  ListingSignature signature{};
};

// Fills `root` (a fresh snapshot root with no children or files) from
// `data`. On any problem `root` is emptied again and the problem returned.
// The hashes of a version 2 listing go to `hashes` (emptied first; its
// entries' hashIndex point there) when it is given; without it they are
// checked and dropped.
[[nodiscard]] ParsedListing ParseListing(const std::uint8_t* data, std::size_t size, DirNode* root,
                                         const ListingLimits& limits = {},
                                         std::vector<Sha256Digest>* hashes = nullptr);

// True for a name a directory listing could return: 1 to 255 bytes, not
// "." or "..", no control character and none of < > : " / \ | ? *.
[[nodiscard]] bool IsListableName(const char* name, std::size_t length) noexcept;
