#pragma once
// Signing a release's listing with the publisher's private key, named in
// the ini file by КлючПодписи.
#include <cstdint>
#include <string>
#include <vector>

#include "config/publisher_key.h"

enum class SigningKeyRead { NotSet, Read, Failed };

// КлючПодписи of the ini file at `iniPath` (environment variables
// expanded, a relative path taken from the ini file's folder) in
// `keyPath`, and the key it holds in `key`. Failed, with the reason in
// `failure`, when the setting names a file that is not a readable key.
[[nodiscard]] SigningKeyRead ReadSigningKey(const char* iniPath, std::string& keyPath, PublisherPrivateKey& key,
                                            std::string& failure);

// Appends to a format 2 listing's signed bytes its signature block. False,
// with the reason in `failure`, when the system could not sign.
[[nodiscard]] bool SignListing(std::vector<std::uint8_t>& bytes, const PublisherPrivateKey& key,
                               std::string& failure);
