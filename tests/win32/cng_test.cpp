// The system's SHA-256 and ECDSA P-256 through CNG, on published vectors
// and on keys made here.
#include "win32/cng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string HexOf(const unsigned char* bytes, std::size_t size) {
  std::string text;
  char pair[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof(pair), "%02x", bytes[i]);
    text += pair;
  }
  return text;
}

std::string HexOf(const std::optional<win32::Sha256Digest>& digest) {
  return digest ? HexOf(digest->data(), digest->size()) : "<no digest>";
}

std::optional<win32::Sha256Digest> DigestOf(const std::string& text) {
  return win32::Sha256Of(text.data(), text.size());
}

}  // namespace

TEST(Sha256, PublishedVectorsOneShotAndStreamed) {
  EXPECT_EQ(HexOf(DigestOf("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(HexOf(DigestOf("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

  // One million 'a', fed in pieces of uneven sizes (some empty) that cross
  // the 64-byte blocks everywhere; then the same hasher again for "abc".
  const std::string as(1000, 'a');
  win32::Sha256 hasher;
  std::size_t fed = 0;
  for (std::size_t step = 0; fed < 1000000; ++step) {
    const std::size_t piece = std::min<std::size_t>((step * 37) % 1000, 1000000 - fed);
    ASSERT_TRUE(hasher.Add(as.data(), piece)) << "at " << fed;
    fed += piece;
  }
  EXPECT_EQ(HexOf(hasher.Finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  ASSERT_TRUE(hasher.Add("abc", 3));
  EXPECT_EQ(HexOf(hasher.Finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")
      << "a finished hasher starts afresh";
}

TEST(Ecdsa, SignedDigestVerifiesAndAnyFlippedByteIsRefused) {
  win32::ScopedCngKey pair;
  ASSERT_TRUE(win32::CngSucceeded(win32::MakeEcdsaKeyPair(pair)));
  win32::EcdsaPublicKey publicBytes{};
  ASSERT_TRUE(win32::CngSucceeded(win32::ExportEcdsaPublicKey(pair.Get(), publicBytes)));

  const std::string message = "d0\\f0-0\r\nd0\\f0-1\r\n";
  const win32::Sha256Digest digest = DigestOf(message).value();
  win32::EcdsaSignature signature{};
  ASSERT_TRUE(win32::CngSucceeded(win32::SignDigest(pair.Get(), digest, signature)));
  EXPECT_TRUE(win32::VerifyDigest(pair.Get(), digest, signature));

  // The public key alone, exported and imported, verifies too.
  win32::ScopedCngKey imported;
  ASSERT_TRUE(win32::CngSucceeded(win32::ImportEcdsaPublicKey(publicBytes, imported)));
  EXPECT_TRUE(win32::VerifyDigest(imported.Get(), digest, signature));

  std::string otherMessage = message;
  otherMessage[3] ^= 0x01;
  EXPECT_FALSE(win32::VerifyDigest(imported.Get(), DigestOf(otherMessage).value(), signature)) << "message";
  win32::EcdsaSignature otherSignature = signature;
  otherSignature[40] ^= 0x80;
  EXPECT_FALSE(win32::VerifyDigest(imported.Get(), digest, otherSignature)) << "signature";

  // A public key with one byte changed is another key (or no point on the
  // curve, which the import itself may refuse): it verifies nothing.
  win32::EcdsaPublicKey otherBytes = publicBytes;
  otherBytes[10] ^= 0x04;
  win32::ScopedCngKey other;
  const bool otherImported = win32::CngSucceeded(win32::ImportEcdsaPublicKey(otherBytes, other));
  EXPECT_FALSE(otherImported && win32::VerifyDigest(other.Get(), digest, signature)) << "public key";
}

TEST(Ecdsa, PrivateKeyRoundTripSignsForItsPublicKey) {
  win32::ScopedCngKey pair;
  ASSERT_TRUE(win32::CngSucceeded(win32::MakeEcdsaKeyPair(pair)));
  win32::EcdsaPublicKey publicBytes{};
  win32::EcdsaPrivateKey privateBytes{};
  ASSERT_TRUE(win32::CngSucceeded(win32::ExportEcdsaPublicKey(pair.Get(), publicBytes)));
  ASSERT_TRUE(win32::CngSucceeded(win32::ExportEcdsaPrivateKey(pair.Get(), privateBytes)));
  EXPECT_TRUE(std::equal(publicBytes.begin(), publicBytes.end(), privateBytes.begin()))
      << "the private blob starts with X||Y";
  pair.Reset();

  win32::ScopedCngKey signer;
  ASSERT_TRUE(win32::CngSucceeded(win32::ImportEcdsaPrivateKey(privateBytes, signer)));
  win32::ScopedCngKey verifier;
  ASSERT_TRUE(win32::CngSucceeded(win32::ImportEcdsaPublicKey(publicBytes, verifier)));
  const win32::Sha256Digest digest = DigestOf("release 1").value();
  win32::EcdsaSignature signature{};
  ASSERT_TRUE(win32::CngSucceeded(win32::SignDigest(signer.Get(), digest, signature)));
  EXPECT_TRUE(win32::VerifyDigest(verifier.Get(), digest, signature));

  // A second pair's key does not take the first's signature.
  win32::ScopedCngKey stranger;
  ASSERT_TRUE(win32::CngSucceeded(win32::MakeEcdsaKeyPair(stranger)));
  EXPECT_FALSE(win32::VerifyDigest(stranger.Get(), digest, signature));
}
