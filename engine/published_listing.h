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
// A listing comes from the network and anyone who can write to the share
// can write one: it is read as untrusted input. Every count is checked
// against the bytes that remain before anything is allocated, and every
// name must be one a directory listing could have returned.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/snapshot.h"

constexpr char kListingFileName[] = "velkarin.lst";
constexpr char kListingTemporaryName[] = "velkarin.lst.tmp";  // written first, then renamed
constexpr std::uint32_t kListingVersion = 1;

// The listing of the tree under `root` (entries' names, attributes, sizes
// and times), published at `published`.
[[nodiscard]] std::vector<std::uint8_t> SerializeListing(const DirNode* root, FileTime published);

// Writes into the header of `bytes` (a whole listing, header included) the
// checksum of its payload: the last step of publishing, and what anyone
// who changes a payload on purpose can do too, so the checksum guards only
// against damage; the reader's checks guard against the rest.
void SealListing(std::vector<std::uint8_t>& bytes);

enum class ListingProblem {
  None,
  Truncated,    // shorter than its header says
  Corrupt,      // wrong magic, checksum, counts, or bytes left over
  NewerFormat,  // written by a later version of the program
  BadName,      // a name no directory listing could return
};

struct ParsedListing {
  ListingProblem problem = ListingProblem::None;
  FileTime published;
  std::uint32_t directories = 0;
  std::uint32_t files = 0;
};

// Fills `root` (a fresh snapshot root with no children or files) from
// `data`. On any problem `root` is emptied again and the problem returned.
[[nodiscard]] ParsedListing ParseListing(const std::uint8_t* data, std::size_t size, DirNode* root);

// True for a name a directory listing could return: 1 to 255 bytes, not
// "." or "..", no control character and none of < > : " / \ | ? *.
[[nodiscard]] bool IsListableName(const char* name, std::size_t length) noexcept;
