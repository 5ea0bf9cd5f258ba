// GCM decryption with nonces of any length: the field multiplication
// bit by bit (the texts it protects are short), the counter blocks encrypted
// in one call to the block cipher.
#include "import/gcm.h"

#include <algorithm>

namespace rdc {
namespace {

// A field element as two big-endian halves: bit 0 of the element (the
// standard's leftmost bit) is the top bit of `high`.
struct Element {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
};

std::uint64_t LoadBigEndian(const std::uint8_t* bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = (value << 8) | bytes[i];
  return value;
}

void StoreBigEndian(std::uint64_t value, std::uint8_t* bytes) {
  for (int i = 7; i >= 0; --i) {
    bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

Element ElementOf(const GcmBlock& block) {
  return {LoadBigEndian(block.data()), LoadBigEndian(block.data() + 8)};
}

GcmBlock BlockOf(const Element& element) {
  GcmBlock block{};
  StoreBigEndian(element.high, block.data());
  StoreBigEndian(element.low, block.data() + 8);
  return block;
}

// X * Y in GF(2^128) with the polynomial x^128 + x^7 + x^2 + x + 1.
Element Multiply(const Element& x, const Element& y) {
  Element z;
  Element v = y;
  for (int i = 0; i < 128; ++i) {
    const std::uint64_t word = i < 64 ? x.high : x.low;
    if ((word >> (63 - i % 64)) & 1) {
      z.high ^= v.high;
      z.low ^= v.low;
    }
    const bool carry = v.low & 1;
    v.low = (v.low >> 1) | (v.high << 63);
    v.high >>= 1;
    if (carry) v.high ^= 0xE100000000000000ULL;
  }
  return z;
}

// The running GHASH state: Y := (Y xor block) * H per 16-byte block.
class Hasher {
 public:
  explicit Hasher(const GcmBlock& h) : h_(ElementOf(h)) {}

  // Hashes `data` padded with zeros to whole blocks.
  void AddPadded(std::string_view data) {
    for (std::size_t at = 0; at < data.size(); at += kGcmBlockSize) {
      GcmBlock block{};
      const std::size_t size = std::min(kGcmBlockSize, data.size() - at);
      for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<std::uint8_t>(data[at + i]);
      AddBlock(ElementOf(block));
    }
  }
  void AddLengths(std::uint64_t firstBytes, std::uint64_t secondBytes) {
    AddBlock({firstBytes * 8, secondBytes * 8});
  }
  GcmBlock Result() const { return BlockOf(y_); }

 private:
  void AddBlock(const Element& block) {
    y_.high ^= block.high;
    y_.low ^= block.low;
    y_ = Multiply(y_, h_);
  }

  Element h_;
  Element y_;
};

std::string BytesOf(const GcmBlock& block) {
  return std::string(block.begin(), block.end());
}

// The counter block Y0: the nonce and a counter of 1 when the nonce is 96
// bits long, else GHASH of the nonce alone.
GcmBlock FirstCounter(const GcmBlock& h, std::string_view nonce) {
  if (nonce.size() == 12) {
    GcmBlock counter{};
    for (std::size_t i = 0; i < 12; ++i) counter[i] = static_cast<std::uint8_t>(nonce[i]);
    counter[15] = 1;
    return counter;
  }
  Hasher hasher(h);
  hasher.AddPadded(nonce);
  hasher.AddLengths(0, nonce.size());
  return hasher.Result();
}

// Adds `step` to the counter's last 32 bits, modulo 2^32.
GcmBlock Incremented(GcmBlock counter, std::uint32_t step) {
  std::uint32_t value = (std::uint32_t{counter[12]} << 24) | (std::uint32_t{counter[13]} << 16) |
                        (std::uint32_t{counter[14]} << 8) | counter[15];
  value += step;
  for (int i = 15; i >= 12; --i) {
    counter[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
  return counter;
}

// What one message needs: the hash key, E(K, Y0) for the tag, and the key
// stream for `size` bytes (E(K, Y1), E(K, Y2), ...), all from one cipher call.
struct Keystream {
  GcmBlock h{};
  GcmBlock tagMask{};
  std::string stream;
};

std::optional<Keystream> MakeKeystream(BlockCipher& cipher, std::string_view nonce,
                                       std::size_t size) {
  Keystream keys;
  std::string zero(kGcmBlockSize, '\0');
  if (!cipher.EncryptBlocks(zero)) return std::nullopt;
  std::copy(zero.begin(), zero.end(), keys.h.begin());

  const GcmBlock first = FirstCounter(keys.h, nonce);
  const std::size_t blocks = (size + kGcmBlockSize - 1) / kGcmBlockSize;
  std::string counters;
  counters.reserve((blocks + 1) * kGcmBlockSize);
  for (std::size_t n = 0; n <= blocks; ++n)
    counters += BytesOf(Incremented(first, static_cast<std::uint32_t>(n)));
  if (!cipher.EncryptBlocks(counters)) return std::nullopt;
  std::copy(counters.begin(), counters.begin() + kGcmBlockSize, keys.tagMask.begin());
  keys.stream = counters.substr(kGcmBlockSize, size);
  return keys;
}

std::string Xored(std::string_view data, std::string_view stream) {
  std::string result(data);
  for (std::size_t i = 0; i < result.size(); ++i)
    result[i] = static_cast<char>(result[i] ^ stream[i]);
  return result;
}

std::string Tag(const Keystream& keys, std::string_view additional, std::string_view ciphertext) {
  GcmBlock tag = Ghash(keys.h, additional, ciphertext);
  for (std::size_t i = 0; i < kGcmBlockSize; ++i) tag[i] ^= keys.tagMask[i];
  return BytesOf(tag);
}

}  // namespace

GcmBlock Ghash(const GcmBlock& h, std::string_view additional, std::string_view ciphertext) {
  Hasher hasher(h);
  hasher.AddPadded(additional);
  hasher.AddPadded(ciphertext);
  hasher.AddLengths(additional.size(), ciphertext.size());
  return hasher.Result();
}

std::optional<std::string> GcmEncrypt(BlockCipher& cipher, std::string_view nonce,
                                      std::string_view additional, std::string_view plaintext) {
  if (nonce.empty()) return std::nullopt;
  const std::optional<Keystream> keys = MakeKeystream(cipher, nonce, plaintext.size());
  if (!keys) return std::nullopt;
  const std::string ciphertext = Xored(plaintext, keys->stream);
  return ciphertext + Tag(*keys, additional, ciphertext);
}

std::optional<std::string> GcmDecrypt(BlockCipher& cipher, std::string_view nonce,
                                      std::string_view additional, std::string_view sealed) {
  if (nonce.empty() || sealed.size() < kGcmTagSize) return std::nullopt;
  const std::string_view ciphertext = sealed.substr(0, sealed.size() - kGcmTagSize);
  const std::string_view tag = sealed.substr(ciphertext.size());
  const std::optional<Keystream> keys = MakeKeystream(cipher, nonce, ciphertext.size());
  if (!keys) return std::nullopt;
  // Every byte is compared, so the time taken does not tell where they differ.
  const std::string expected = Tag(*keys, additional, ciphertext);
  unsigned char difference = 0;
  for (std::size_t i = 0; i < kGcmTagSize; ++i)
    difference |= static_cast<unsigned char>(expected[i] ^ tag[i]);
  if (difference != 0) return std::nullopt;
  return Xored(ciphertext, keys->stream);
}

}  // namespace rdc
