// The publisher's keys as text: КлючИздателя's value and the two key files.
#include "config/publisher_key.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 64 bytes 0x00, 0x01, ... 0x3f as their hex text.
PublisherPublicKey CountingKey(std::uint8_t first) {
  PublisherPublicKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(first + i);
  return key;
}

std::string Hex(const PublisherPublicKey& key) { return LowerHex(key.data(), key.size()); }

}  // namespace

TEST(PublisherKey, HexIsLowercaseTwoCharactersAByte) {
  const std::uint8_t bytes[] = {0x00, 0x0f, 0xa5, 0xff};
  EXPECT_EQ(LowerHex(bytes, 4), "000fa5ff");
  EXPECT_EQ(Hex(CountingKey(0xc0)).substr(0, 8), "c0c1c2c3");
}

TEST(PublisherKey, OneOrTwoKeysWithBlanksAroundThemAreRead) {
  const PublisherPublicKey a = CountingKey(0x00);
  const PublisherPublicKey b = CountingKey(0x9a);
  std::vector<PublisherPublicKey> keys;
  ASSERT_TRUE(ParsePublisherKeys(Hex(a), keys));
  EXPECT_EQ(keys, std::vector<PublisherPublicKey>{a});
  ASSERT_TRUE(ParsePublisherKeys(" \t" + Hex(a) + " ,\t" + Hex(b) + "  ", keys));
  EXPECT_EQ(keys, (std::vector<PublisherPublicKey>{a, b}));
  ASSERT_TRUE(ParsePublisherKeys(Hex(b) + "," + Hex(a), keys));
  EXPECT_EQ(keys, (std::vector<PublisherPublicKey>{b, a}));
}

TEST(PublisherKey, AnythingButOneOrTwoWholeKeysIsRefused) {
  const std::string a = Hex(CountingKey(0x10));
  const std::string b = Hex(CountingKey(0xd0));
  std::string upper = a;
  upper[5] = 'A';
  std::string notHex = a;
  notHex[127] = 'g';
  std::string inner = a;
  inner[64] = ' ';
  const std::string refused[] = {
      "",           " ",        a.substr(1),   a + "0",        a + "00",     upper, notHex, inner,
      a + ",",      "," + a,    a + ",," + b,  a + ", ," + b,  a + "," + b + "," + a,
      a + ";" + b,  a + " " + b, "0x" + a.substr(2),
  };
  const std::vector<PublisherPublicKey> before{CountingKey(0x77)};
  for (const std::string& value : refused) {
    std::vector<PublisherPublicKey> keys = before;
    EXPECT_FALSE(ParsePublisherKeys(value, keys)) << "\"" << value << "\"";
    EXPECT_EQ(keys, before) << "a refused value leaves the keys alone: \"" << value << "\"";
  }
  PublisherPublicKey key{};
  EXPECT_FALSE(ParsePublicKey(" " + a, key)) << "one key takes no blanks";
}

TEST(PublisherKey, PublicKeyFileIsTheKeyLineAndCrLf) {
  const PublisherPublicKey key = CountingKey(0xe0);
  const std::string text = FormatPublicKeyFile(key);
  ASSERT_EQ(text.size(), 130u);
  EXPECT_EQ(text.substr(0, 6), "e0e1e2");
  EXPECT_EQ(text.substr(128), "\r\n");
  PublisherPublicKey read{};
  ASSERT_TRUE(ParsePublicKey(std::string_view(text).substr(0, 128), read));
  EXPECT_EQ(read, key);
}

TEST(PublisherKey, PrivateKeyFileRoundTripsAndRefusesOtherText) {
  PublisherPrivateKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(255 - i);
  const std::string text = FormatPrivateKeyFile(key);
  const std::string number = LowerHex(key.data(), key.size());
  ASSERT_EQ(text, "velkarin-publisher-key 1\r\n" + number + "\r\n");
  ASSERT_EQ(number.substr(0, 4), "fffe");

  // Read back as written, and as an editor may save it again.
  for (const std::string& good : {text, "velkarin-publisher-key 1\n" + number + "\n",
                                  "velkarin-publisher-key 1\r\n" + number}) {
    PublisherPrivateKey read{};
    ASSERT_TRUE(ParsePrivateKeyFile(good, read)) << good;
    EXPECT_EQ(read, key);
  }
  std::string upper = number;
  upper[0] = 'F';
  const std::string refused[] = {
      "",
      "velkarin-publisher-key 1\r\n",
      "velkarin-publisher-key 2\r\n" + number + "\r\n",
      "velkarin-publisher-key 1 \r\n" + number + "\r\n",
      "velkarin-publisher-key 1\r\n" + number.substr(2) + "\r\n",
      "velkarin-publisher-key 1\r\n" + number + "00\r\n",
      "velkarin-publisher-key 1\r\n" + upper + "\r\n",
      "velkarin-publisher-key 1\r\n" + number + "\r\n\r\n",
      "velkarin-publisher-key 1\r\n" + number + "\r",
      "velkarin-publisher-key 1\r\r\n" + number + "\r\n",
      "velkarin-publisher-key 1\r\n" + number.substr(0, 128) + "\r\n",
  };
  for (const std::string& bad : refused) {
    PublisherPrivateKey read{};
    EXPECT_FALSE(ParsePrivateKeyFile(bad, read)) << bad;
  }
}
