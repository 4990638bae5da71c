#pragma once
// The SHA-256 of every file of a release, for a signed listing: each file
// of the source's picture read once, in listing order.
#include <string>
#include <vector>

#include "model/sha256_digest.h"
#include "model/snapshot.h"

// Reads each file below `root` (a picture of `sourceDir`, which ends with a
// backslash) and gives it its hash: `hashes` holds them in listing order,
// each entry's hashIndex pointing there. False, with the reason in the
// statistics log's words in `failure`, when a file cannot be read whole or
// reads another size than the picture says (it changed while publishing):
// a listing may only promise what every file really holds.
[[nodiscard]] bool HashReleaseFiles(const std::string& sourceDir, DirNode* root, std::vector<Sha256Digest>& hashes,
                                    std::string& failure);
