// Fuzzes GCM over a stand-in block cipher: what is sealed opens again with the
// same nonce and additional data, for nonces of any length; a change to any
// byte of the sealed text, the nonce or the additional data fails the tag.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "import/gcm.h"

namespace rdc::fuzz {
namespace {

// A keyed function of each block (GCM only ever encrypts).
class MixingCipher : public BlockCipher {
 public:
  explicit MixingCipher(std::uint64_t key) : key_(key) {}
  bool EncryptBlocks(std::string& blocks) override {
    for (std::size_t at = 0; at < blocks.size(); at += kGcmBlockSize) {
      std::uint64_t hash = key_;
      for (std::size_t i = 0; i < kGcmBlockSize; ++i)
        hash = (hash ^ static_cast<unsigned char>(blocks[at + i])) * 1099511628211ULL;
      for (std::size_t i = 0; i < kGcmBlockSize; ++i) {
        hash = (hash ^ i) * 1099511628211ULL;
        blocks[at + i] = static_cast<char>(hash >> 56);
      }
    }
    return true;
  }

 private:
  std::uint64_t key_;
};

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace rdc;
  using namespace rdc::fuzz;
  FuzzedDataProvider input(data, size);
  MixingCipher cipher(input.ConsumeIntegral<std::uint64_t>());
  const std::string nonce = input.ConsumeRandomLengthString(64);
  const std::string additional = input.ConsumeRandomLengthString(64);
  const std::string plaintext = input.ConsumeRandomLengthString(512);
  const std::size_t flip = input.ConsumeIntegral<std::size_t>();
  const auto bit = static_cast<char>(1 << input.ConsumeIntegralInRange(0, 7));

  const std::optional<std::string> sealed = GcmEncrypt(cipher, nonce, additional, plaintext);
  if (nonce.empty()) {
    FUZZ_CHECK(!sealed);
    return 0;
  }
  FUZZ_CHECK(sealed && sealed->size() == plaintext.size() + kGcmTagSize);
  FUZZ_CHECK(GcmDecrypt(cipher, nonce, additional, *sealed) == plaintext);

  std::string altered = *sealed;
  altered[flip % altered.size()] = static_cast<char>(altered[flip % altered.size()] ^ bit);
  FUZZ_CHECK(!GcmDecrypt(cipher, nonce, additional, altered));
  std::string otherNonce = nonce;
  otherNonce[flip % otherNonce.size()] = static_cast<char>(otherNonce[flip % otherNonce.size()] ^ bit);
  FUZZ_CHECK(!GcmDecrypt(cipher, otherNonce, additional, *sealed));
  if (!additional.empty()) {
    std::string otherAdditional = additional;
    otherAdditional[flip % otherAdditional.size()] =
        static_cast<char>(otherAdditional[flip % otherAdditional.size()] ^ bit);
    FUZZ_CHECK(!GcmDecrypt(cipher, nonce, otherAdditional, *sealed));
  }
  return 0;
}
