// GCM against the values the published GCM document gives in its test
// cases: the hash key H, GHASH(H, A, C), the counter Y0 of nonces other than
// 96 bits, and a whole decryption with the cipher's published outputs.
#include "import/gcm.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace rdc {
namespace {

std::string Bytes(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

GcmBlock Block(std::string_view hex) {
  const std::string bytes = Bytes(hex);
  GcmBlock block{};
  std::copy(bytes.begin(), bytes.end(), block.begin());
  return block;
}

constexpr std::string_view kA = "feedfacedeadbeeffeedfacedeadbeefabaddad2";
constexpr std::string_view kLongIv =
    "9313225df88406e555909c5aff5269aa6a7a9538534f7da1e4c303d2a318a728c3c0c95156809539fcf0e2429a6b"
    "525416aedbf5a0de6a57a637b39b";
constexpr std::string_view kPlain =
    "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6"
    "b525b16aedf5aa0de657ba637b39";
constexpr std::string_view kCase6Cipher =
    "8ce24998625615b603a033aca13fb894be9112a5c3a211a8ba262a3cca7e2ca701e4a9a4fba43c90ccdcb281d48c"
    "7c6fd62875d2aca417034c34aee5";

TEST(GhashTest, PublishedTestCases) {
  struct Case {
    const char* name;
    std::string_view h, a, c, ghash;
  };
  const Case cases[] = {
      {"2", "66e94bd4ef8a2c3b884cfa59ca342b2e", "", "0388dace60b6a392f328c2b971b2fe78",
       "f38cbb1ad69223dcc3457ae5b6b0f885"},
      {"4", "b83b533708bf535d0aa6e52980d53b78", kA,
       "42831ec2217774244b7221b784d0d49ce3aa212f2c02a4e035c17e2329aca12e21d514b25466931c7d8f6a5aac8"
       "4aa051ba30b396a0aac973d58e091",
       "698e57f70e6ecc7fd9463b7260a9ae5f"},
      {"6", "b83b533708bf535d0aa6e52980d53b78", kA, kCase6Cipher,
       "1c5afe9760d3932f3c9a878aac3dc3de"},
      {"18", "acbef20579b4b8ebce889bac8732dad7", kA,
       "5a8def2f0c9e53f1f75d7853659e2a20eeb2b22aafde6419a058ab4f6f746bf40fc0c3b780f244452da3ebf1c5d"
       "82cdea2418997200ef82e44ae7e3f",
       "d5ffcf6fc5ac4d69722187421a7f170b"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Ghash(Block(c.h), Bytes(c.a), Bytes(c.c)), Block(c.ghash)) << "test case " << c.name;
}

// For a nonce other than 96 bits, Y0 = GHASH(H, {}, IV).
TEST(GhashTest, FirstCounterOfNoncesOtherThan96Bits) {
  struct Case {
    const char* name;
    std::string_view h, iv, y0;
  };
  const Case cases[] = {
      {"5", "b83b533708bf535d0aa6e52980d53b78", "cafebabefacedbad",
       "c43a83c4c4badec4354ca984db252f7d"},
      {"6", "b83b533708bf535d0aa6e52980d53b78", kLongIv, "3bab75780a31c059f83d2a44752f9864"},
      {"12", "466923ec9ae682214f2c082badb39249", kLongIv, "4505cdc367a054c5002820e96aebef27"},
      {"18", "acbef20579b4b8ebce889bac8732dad7", kLongIv, "0cd953e2140a5976079f8e2406bc8eb4"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Ghash(Block(c.h), "", Bytes(c.iv)), Block(c.y0)) << "test case " << c.name;
}

// The block cipher of test case 6, reduced to the outputs the GCM document
// publishes: E(K, 0) = H, E(K, Y0) and E(K, Y1) ... E(K, Y4).
class PublishedCase6Cipher : public BlockCipher {
 public:
  bool EncryptBlocks(std::string& blocks) override {
    static const std::map<std::string, std::string> kOutputs = {
        {Bytes("00000000000000000000000000000000"), Bytes("b83b533708bf535d0aa6e52980d53b78")},
        {Bytes("3bab75780a31c059f83d2a44752f9864"), Bytes("7dc63b399f2d98d57ab073b6baa4138e")},
        {Bytes("3bab75780a31c059f83d2a44752f9865"), Bytes("55d37bbd9ad21353a6f93a690eca9e0e")},
        {Bytes("3bab75780a31c059f83d2a44752f9866"), Bytes("3836bbf6d696e672946a1a01404fa6d5")},
        {Bytes("3bab75780a31c059f83d2a44752f9867"), Bytes("1dd8a5316ecc35c3e313bca59d2ac94a")},
        {Bytes("3bab75780a31c059f83d2a44752f9868"), Bytes("6742982706a9f154f657d5dc94b746db")}};
    for (std::size_t at = 0; at < blocks.size(); at += kGcmBlockSize) {
      const auto found = kOutputs.find(blocks.substr(at, kGcmBlockSize));
      if (found == kOutputs.end()) return false;
      blocks.replace(at, kGcmBlockSize, found->second);
    }
    return true;
  }
};

TEST(GcmTest, PublishedCase6DecryptsAndEncrypts) {
  PublishedCase6Cipher cipher;
  const std::string sealed = Bytes(kCase6Cipher) + Bytes("619cc5aefffe0bfa462af43c1699d050");
  EXPECT_EQ(GcmDecrypt(cipher, Bytes(kLongIv), Bytes(kA), sealed), Bytes(kPlain));
  EXPECT_EQ(GcmEncrypt(cipher, Bytes(kLongIv), Bytes(kA), Bytes(kPlain)), sealed);
}

TEST(GcmTest, AnyChangeFailsTheTag) {
  PublishedCase6Cipher cipher;
  const std::string nonce = Bytes(kLongIv);
  const std::string additional = Bytes(kA);
  const std::string sealed = Bytes(kCase6Cipher) + Bytes("619cc5aefffe0bfa462af43c1699d050");
  for (const std::size_t at : {std::size_t{0}, sealed.size() - 17, sealed.size() - 1}) {
    std::string altered = sealed;
    altered[at] ^= 0x01;
    EXPECT_EQ(GcmDecrypt(cipher, nonce, additional, altered), std::nullopt) << "byte " << at;
  }
  std::string otherAdditional = additional;
  otherAdditional.back() = static_cast<char>(otherAdditional.back() ^ 0x80);
  EXPECT_EQ(GcmDecrypt(cipher, nonce, otherAdditional, sealed), std::nullopt);
  EXPECT_EQ(GcmDecrypt(cipher, nonce, additional, sealed.substr(0, 15)), std::nullopt);
  EXPECT_EQ(GcmDecrypt(cipher, "", additional, sealed), std::nullopt);
}

}  // namespace
}  // namespace rdc
