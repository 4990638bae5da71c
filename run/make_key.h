#pragma once
// "/k [folder]": makes a publisher's key pair and writes it into the folder
// as velkarin-publisher.key (the private key, for the administrator alone)
// and velkarin-publisher.pub (the public key's line for workstation ini
// files). Never overwrites: when either file is there, nothing is written.
// The result is told in one box with the program's caption.

inline constexpr const char* kPrivateKeyFileName = "velkarin-publisher.key";
inline constexpr const char* kPublicKeyFileName = "velkarin-publisher.pub";

// `folder` as the command line gave it; empty means the current directory.
// True when both files were written.
[[nodiscard]] bool MakePublisherKeys(const char* folder);
