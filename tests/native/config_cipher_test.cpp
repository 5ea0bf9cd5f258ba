// Tests of the ms.ini cipher against published RC4 vectors and its own
// properties: the same call deciphers, and every call starts a new keystream.
#include "model/config_cipher.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace rdc {
namespace {

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t n = 0; n + 1 < hex.size(); n += 2) {
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(n, 2)), nullptr, 16));
  }
  return bytes;
}

// RC4 keystream for key 01 02 03 04 05 (RFC 6229, section 2, the first
// 40-bit key), at the offsets 0, 16, 240 and 256 of the output.
TEST(ConfigCipherTest, MatchesRfc6229KeystreamOfThe40BitKey) {
  const std::string key = FromHex("0102030405");
  const std::string keystream = ConfigCipher(std::string(272, '\0'), key);
  ASSERT_EQ(keystream.size(), 272u);
  EXPECT_EQ(keystream.substr(0, 16), FromHex("b2396305f03dc027ccc3524a0a1118a8"));
  EXPECT_EQ(keystream.substr(16, 16), FromHex("6982944f18fc82d589c403a47a0d0919"));
  EXPECT_EQ(keystream.substr(240, 16), FromHex("28cb1132c96ce286421dcaadb8b69eae"));
  EXPECT_EQ(keystream.substr(256, 16), FromHex("1cfcf62b03eddb641d77dfcf7f8d8c93"));
}

// The widely published RC4 example: key "Key", plain text "Plaintext".
TEST(ConfigCipherTest, MatchesThePublishedKeyPlaintextExample) {
  EXPECT_EQ(ConfigCipher("Plaintext", "Key"), FromHex("bbf316e8d940af0ad3"));
}

// Expected bytes for the program's key "7140" were computed with a separate,
// independently written RC4 (a few lines of Python following the published
// key schedule and output loop), which also reproduces the two vectors above.
TEST(ConfigCipherTest, DefaultKeyMatchesAnIndependentRc4) {
  EXPECT_EQ(ConfigCipher(std::string(32, '\0')),
            FromHex("fe26485f50472bb885aa3f205cff15c1cf9aa2a253dca7b9ffcf729016b2d801"));
  // The ms.ini of an empty configuration: no servers, small screen, no password.
  EXPECT_EQ(ConfigCipher("#Start:0\r\n#LoadinPass:<>\r\n"),
            FromHex("dd753c3e2233118888a01c6c339e71a8a1cac3d120e69b87f2c5"));
}

TEST(ConfigCipherTest, TwiceGivesBackEveryByteValueOverMoreThan256Bytes) {
  std::string plain;
  for (int round = 0; round < 3; ++round) {
    for (int value = 0; value < 256; ++value) plain += static_cast<char>(value);
  }
  plain += std::string(5, '\0') + std::string(5, '\xFF');

  const std::string enciphered = ConfigCipher(plain);
  ASSERT_EQ(enciphered.size(), plain.size());
  EXPECT_NE(enciphered, plain);
  EXPECT_EQ(ConfigCipher(enciphered), plain);
}

TEST(ConfigCipherTest, EveryCallStartsFromTheFirstKeystreamByte) {
  const std::string plain = "127.0.0.1|3389|Administrator||office\r\n#Start:0\r\n";
  const std::string first = ConfigCipher(plain);
  EXPECT_EQ(ConfigCipher(plain), first);
  // A shorter text enciphers to the start of the longer one's cipher text.
  EXPECT_EQ(ConfigCipher(plain.substr(0, 10)), first.substr(0, 10));
}

TEST(ConfigCipherTest, EmptyInputGivesEmptyOutput) {
  EXPECT_EQ(ConfigCipher(""), "");
  EXPECT_EQ(ConfigCipher("", "Key"), "");
}

TEST(ConfigCipherTest, EmptyKeyIsTheSingleZeroByteKey) {
  EXPECT_EQ(ConfigCipher("abc", ""), ConfigCipher("abc", std::string(1, '\0')));
}

}  // namespace
}  // namespace rdc
