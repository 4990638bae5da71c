#pragma once
// Reading the published listing at the source root, and writing one.
#include <cstdint>
#include <string>

#include <vector>

#include "config/publisher_key.h"
#include "model/snapshot.h"
#include "scan/published_listing.h"

enum class ListingUse {
  Absent,   // no listing: the source is scanned, as always
  Used,     // the source snapshot came from the listing
  Refused,  // a listing is there but cannot be trusted: scanned instead
};

struct ListingRead {
  ListingUse use = ListingUse::Absent;
  std::string path;    // the listing file
  std::string reason;  // why it was refused, in the statistics log's words
  FileTime published;
};

// What a workstation that trusts only its publisher asks of a listing.
struct ListingTrust {
  // The publisher's public keys: the listing must be a signed one (format
  // 2) whose signature one of them verifies. Empty: any listing is read.
  std::vector<PublisherPublicKey> keys;
};

// Reads `sourceDir` + "velkarin.lst" (one open, one read of the whole file)
// into `root`, a fresh snapshot root, and the hashes of a signed listing
// into `hashes` when given. Unless the result is Used, `root` is left
// empty.
[[nodiscard]] ListingRead ReadPublishedListing(const std::string& sourceDir, DirNode* root,
                                               const ListingTrust& trust = {},
                                               std::vector<Sha256Digest>* hashes = nullptr);

// Writes `bytes` as the listing of `sourceDir`: first to a temporary file
// beside it, then renamed over the listing, so that a reader finds the old
// listing or the new one, never a part. False with the system's `error`
// when it could not be written; an earlier listing is then as it was.
[[nodiscard]] bool WritePublishedListing(const std::string& sourceDir, const std::vector<std::uint8_t>& bytes,
                                         std::uint32_t& error);

// "DD.MM.YYYY HH:MM:SS" in local time, as the statistics log shows a time.
[[nodiscard]] std::string LocalTimeText(FileTime time);
