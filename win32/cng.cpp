#include "win32/cng.h"

#include <cstring>

namespace win32 {

namespace {

// An algorithm provider opened on first use and kept for the process:
// opening one costs far more than a digest of a small file, and hashing
// runs once per file copied or read. The open is made once even when two
// threads ask at the same moment (a function's static is initialised once).
struct Provider {
  explicit Provider(LPCWSTR algorithm) noexcept {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (CngSucceeded(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, 0))) algorithmHandle.Reset(handle);
  }
  ScopedCngAlgorithm algorithmHandle;
};

BCRYPT_ALG_HANDLE Sha256Provider() noexcept {
  static const Provider provider(BCRYPT_SHA256_ALGORITHM);
  return provider.algorithmHandle.Get();
}

BCRYPT_ALG_HANDLE EcdsaP256Provider() noexcept {
  static const Provider provider(BCRYPT_ECDSA_P256_ALGORITHM);
  return provider.algorithmHandle.Get();
}

// STATUS_NOT_FOUND: what the calls report when the provider could not be opened.
constexpr NTSTATUS kNoProvider = static_cast<NTSTATUS>(0xC0000225);
// STATUS_INVALID_PARAMETER: a blob of another curve or size.
constexpr NTSTATUS kUnexpectedBlob = static_cast<NTSTATUS>(0xC000000D);

constexpr ULONG kCoordinateSize = 32;

// A P-256 key blob: the header, then X, Y and, for a private key, d.
struct PrivateBlob {
  BCRYPT_ECCKEY_BLOB header;
  unsigned char numbers[3 * kCoordinateSize];
};

NTSTATUS ExportBlob(BCRYPT_KEY_HANDLE key, LPCWSTR type, ULONG expectedMagic, PrivateBlob& blob,
                    ULONG numbersSize) noexcept {
  ULONG written = 0;
  const ULONG size = static_cast<ULONG>(sizeof(BCRYPT_ECCKEY_BLOB)) + numbersSize;
  const NTSTATUS status = BCryptExportKey(key, nullptr, type, reinterpret_cast<PUCHAR>(&blob), size, &written, 0);
  if (!CngSucceeded(status)) return status;
  if (written != size || blob.header.dwMagic != expectedMagic || blob.header.cbKey != kCoordinateSize) {
    return kUnexpectedBlob;
  }
  return status;
}

NTSTATUS ImportBlob(LPCWSTR type, PrivateBlob& blob, ULONG numbersSize, ScopedCngKey& key) noexcept {
  BCRYPT_ALG_HANDLE provider = EcdsaP256Provider();
  if (provider == nullptr) return kNoProvider;
  BCRYPT_KEY_HANDLE handle = nullptr;
  const NTSTATUS status =
      BCryptImportKeyPair(provider, nullptr, type, &handle, reinterpret_cast<PUCHAR>(&blob),
                          static_cast<ULONG>(sizeof(BCRYPT_ECCKEY_BLOB)) + numbersSize, 0);
  if (CngSucceeded(status)) key.Reset(handle);
  return status;
}

}  // namespace

Sha256::Sha256() noexcept { (void)Ready(); }

// Makes the hash object when there is none. A reusable one (the system
// starts it again after each finish) is asked for first; systems before
// Windows 8 refuse the flag, and get a new object per digest instead.
bool Sha256::Ready() noexcept {
  if (hash_) return true;
  BCRYPT_ALG_HANDLE provider = Sha256Provider();
  if (provider == nullptr) return false;
  BCRYPT_HASH_HANDLE handle = nullptr;
  if (CngSucceeded(BCryptCreateHash(provider, &handle, nullptr, 0, nullptr, 0, BCRYPT_HASH_REUSABLE_FLAG))) {
    reusable_ = true;
  } else if (CngSucceeded(BCryptCreateHash(provider, &handle, nullptr, 0, nullptr, 0, 0))) {
    reusable_ = false;
  } else {
    return false;
  }
  hash_.Reset(handle);
  return true;
}

bool Sha256::Add(const void* data, std::size_t size) noexcept {
  if (failed_ || !Ready()) {
    failed_ = true;
    return false;
  }
  // BCryptHashData takes at most a ULONG's worth at a time.
  auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
  while (size > 0) {
    const ULONG piece = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
    if (!CngSucceeded(BCryptHashData(hash_.Get(), bytes, piece, 0))) {
      failed_ = true;
      return false;
    }
    bytes += piece;
    size -= piece;
  }
  return true;
}

std::optional<Sha256Digest> Sha256::Finish() noexcept {
  Sha256Digest digest{};
  bool ok = !failed_ && Ready() &&
            CngSucceeded(BCryptFinishHash(hash_.Get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
  // A failed digest leaves the object in an unknown state, and one that is
  // not reusable is spent: either way the next digest gets a new one.
  if (!ok || !reusable_) hash_.Reset();
  failed_ = false;
  if (!ok) return std::nullopt;
  return digest;
}

std::optional<Sha256Digest> Sha256Of(const void* data, std::size_t size) noexcept {
  Sha256 hasher;
  if (!hasher.Add(data, size)) return std::nullopt;
  return hasher.Finish();
}

NTSTATUS MakeEcdsaKeyPair(ScopedCngKey& key) noexcept {
  BCRYPT_ALG_HANDLE provider = EcdsaP256Provider();
  if (provider == nullptr) return kNoProvider;
  BCRYPT_KEY_HANDLE handle = nullptr;
  NTSTATUS status = BCryptGenerateKeyPair(provider, &handle, 256, 0);
  if (!CngSucceeded(status)) return status;
  ScopedCngKey made(handle);
  status = BCryptFinalizeKeyPair(made.Get(), 0);
  if (CngSucceeded(status)) key = std::move(made);
  return status;
}

NTSTATUS ExportEcdsaPublicKey(BCRYPT_KEY_HANDLE key, EcdsaPublicKey& bytes) noexcept {
  PrivateBlob blob{};
  const NTSTATUS status =
      ExportBlob(key, BCRYPT_ECCPUBLIC_BLOB, BCRYPT_ECDSA_PUBLIC_P256_MAGIC, blob, 2 * kCoordinateSize);
  if (CngSucceeded(status)) std::memcpy(bytes.data(), blob.numbers, bytes.size());
  return status;
}

NTSTATUS ExportEcdsaPrivateKey(BCRYPT_KEY_HANDLE key, EcdsaPrivateKey& bytes) noexcept {
  PrivateBlob blob{};
  const NTSTATUS status =
      ExportBlob(key, BCRYPT_ECCPRIVATE_BLOB, BCRYPT_ECDSA_PRIVATE_P256_MAGIC, blob, 3 * kCoordinateSize);
  if (CngSucceeded(status)) std::memcpy(bytes.data(), blob.numbers, bytes.size());
  SecureZeroMemory(&blob, sizeof(blob));
  return status;
}

NTSTATUS ImportEcdsaPublicKey(const EcdsaPublicKey& bytes, ScopedCngKey& key) noexcept {
  PrivateBlob blob{};
  blob.header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  blob.header.cbKey = kCoordinateSize;
  std::memcpy(blob.numbers, bytes.data(), bytes.size());
  return ImportBlob(BCRYPT_ECCPUBLIC_BLOB, blob, 2 * kCoordinateSize, key);
}

NTSTATUS ImportEcdsaPrivateKey(const EcdsaPrivateKey& bytes, ScopedCngKey& key) noexcept {
  PrivateBlob blob{};
  blob.header.dwMagic = BCRYPT_ECDSA_PRIVATE_P256_MAGIC;
  blob.header.cbKey = kCoordinateSize;
  std::memcpy(blob.numbers, bytes.data(), bytes.size());
  const NTSTATUS status = ImportBlob(BCRYPT_ECCPRIVATE_BLOB, blob, 3 * kCoordinateSize, key);
  SecureZeroMemory(&blob, sizeof(blob));
  return status;
}

NTSTATUS SignDigest(BCRYPT_KEY_HANDLE key, const Sha256Digest& digest, EcdsaSignature& signature) noexcept {
  ULONG written = 0;
  const NTSTATUS status =
      BCryptSignHash(key, nullptr, const_cast<PUCHAR>(digest.data()), static_cast<ULONG>(digest.size()),
                     signature.data(), static_cast<ULONG>(signature.size()), &written, 0);
  if (CngSucceeded(status) && written != signature.size()) return kUnexpectedBlob;
  return status;
}

bool VerifyDigest(BCRYPT_KEY_HANDLE key, const Sha256Digest& digest, const EcdsaSignature& signature) noexcept {
  return CngSucceeded(BCryptVerifySignature(key, nullptr, const_cast<PUCHAR>(digest.data()),
                                            static_cast<ULONG>(digest.size()),
                                            const_cast<PUCHAR>(signature.data()),
                                            static_cast<ULONG>(signature.size()), 0));
}

}  // namespace win32
