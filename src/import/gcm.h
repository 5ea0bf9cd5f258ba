// Galois/Counter Mode over a block cipher the caller supplies (the system's
// AES): GHASH, and encryption and decryption with a nonce of any length.
// The system's own GCM takes only 96-bit nonces; other programs' files use
// 128-bit ones.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rdc {

inline constexpr std::size_t kGcmBlockSize = 16;
inline constexpr std::size_t kGcmTagSize = 16;

using GcmBlock = std::array<std::uint8_t, kGcmBlockSize>;

// A block cipher under one key, encrypting only (GCM never decrypts a block).
class BlockCipher {
 public:
  virtual ~BlockCipher() = default;
  // Encrypts each 16-byte block of `blocks` in place, each on its own (ECB);
  // the size is a multiple of 16. False when the system's cipher failed.
  virtual bool EncryptBlocks(std::string& blocks) = 0;
};

// GHASH under the hash key `h` of the additional data and the ciphertext, each
// padded with zeros to whole blocks, then their lengths in bits.
GcmBlock Ghash(const GcmBlock& h, std::string_view additional, std::string_view ciphertext);

// Ciphertext followed by the 16-byte tag; nothing when the cipher failed.
std::optional<std::string> GcmEncrypt(BlockCipher& cipher, std::string_view nonce,
                                      std::string_view additional, std::string_view plaintext);

// The plaintext of `sealed` (ciphertext followed by the 16-byte tag); nothing
// when the tag does not match (wrong key, altered data), when `sealed` is
// shorter than a tag, when the nonce is empty, or when the cipher failed.
std::optional<std::string> GcmDecrypt(BlockCipher& cipher, std::string_view nonce,
                                      std::string_view additional, std::string_view sealed);

}  // namespace rdc
