#pragma once
// The system's own cryptography (CNG, bcrypt): SHA-256 and ECDSA P-256.
// Each CNG handle kind has its owning type here; the algorithm providers
// are opened once per process, on first use, and stay open to its end.
#include <windows.h>
#include <bcrypt.h>

#include <array>
#include <cstddef>
#include <optional>

#include "model/sha256_digest.h"
#include "win32/handles.h"

namespace win32 {

// Algorithm providers (BCryptOpenAlgorithmProvider).
struct CngAlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};
using ScopedCngAlgorithm = Scoped<CngAlgorithmTraits>;

// Hash objects (BCryptCreateHash).
struct CngHashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { BCryptDestroyHash(h); }
};
using ScopedCngHash = Scoped<CngHashTraits>;

// Keys and key pairs (BCryptGenerateKeyPair, BCryptImportKeyPair).
struct CngKeyTraits {
  using Handle = BCRYPT_KEY_HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { BCryptDestroyKey(h); }
};
using ScopedCngKey = Scoped<CngKeyTraits>;

// CNG reports an NTSTATUS: negative values are failures.
[[nodiscard]] inline bool CngSucceeded(NTSTATUS status) noexcept { return status >= 0; }

using ::Sha256Digest;  // the model's: a release lists the same digests

// SHA-256 over data fed in pieces. One hash object serves any number of
// digests in turn: Finish gives the digest and leaves the hasher ready for
// the next one. A failed Add makes the next Finish fail (and start afresh).
class Sha256 {
 public:
  Sha256() noexcept;
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // False when CNG refused; the digest under way is then lost.
  [[nodiscard]] bool Add(const void* data, std::size_t size) noexcept;
  // The digest of everything added since the last Finish; nothing when
  // the system could not hash.
  [[nodiscard]] std::optional<Sha256Digest> Finish() noexcept;

 private:
  [[nodiscard]] bool Ready() noexcept;

  ScopedCngHash hash_;
  bool reusable_ = false;  // the object starts again by itself after a finish
  bool failed_ = false;
};

// The SHA-256 digest of one block of bytes.
[[nodiscard]] std::optional<Sha256Digest> Sha256Of(const void* data, std::size_t size) noexcept;

// ECDSA over the NIST P-256 curve. Keys travel as raw numbers: a public key
// as X||Y (64 bytes), a private key as X||Y||d (96 bytes), each number
// big-endian as CNG's ECC blobs hold them; a signature as r||s (64 bytes).
using EcdsaPublicKey = std::array<unsigned char, 64>;
using EcdsaPrivateKey = std::array<unsigned char, 96>;
using EcdsaSignature = std::array<unsigned char, 64>;

[[nodiscard]] NTSTATUS MakeEcdsaKeyPair(ScopedCngKey& key) noexcept;
[[nodiscard]] NTSTATUS ExportEcdsaPublicKey(BCRYPT_KEY_HANDLE key, EcdsaPublicKey& bytes) noexcept;
// The private key is wiped from every buffer this call used.
[[nodiscard]] NTSTATUS ExportEcdsaPrivateKey(BCRYPT_KEY_HANDLE key, EcdsaPrivateKey& bytes) noexcept;
[[nodiscard]] NTSTATUS ImportEcdsaPublicKey(const EcdsaPublicKey& bytes, ScopedCngKey& key) noexcept;
[[nodiscard]] NTSTATUS ImportEcdsaPrivateKey(const EcdsaPrivateKey& bytes, ScopedCngKey& key) noexcept;

// Signs a SHA-256 digest with a private key.
[[nodiscard]] NTSTATUS SignDigest(BCRYPT_KEY_HANDLE key, const Sha256Digest& digest,
                                  EcdsaSignature& signature) noexcept;
// True only when `signature` is a valid signature of `digest` under `key`.
[[nodiscard]] bool VerifyDigest(BCRYPT_KEY_HANDLE key, const Sha256Digest& digest,
                                const EcdsaSignature& signature) noexcept;

}  // namespace win32
