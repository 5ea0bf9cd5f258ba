// RC4 over the bytes of ms.ini: the key schedule is rebuilt at every call, so
// the same plain text always gives the same file and deciphering is the same call.
#include "model/config_cipher.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace rdc {

std::string ConfigCipher(std::string_view bytes, std::string_view key) {
  std::string out(bytes);
  if (out.empty()) return out;

  std::array<std::uint8_t, 256> s;
  for (std::size_t n = 0; n < s.size(); ++n) s[n] = static_cast<std::uint8_t>(n);
  std::uint8_t j = 0;
  for (std::size_t n = 0; n < s.size(); ++n) {
    // An empty key would divide by zero; it is taken as the one-byte key 0x00.
    const auto keyByte = key.empty() ? 0 : static_cast<std::uint8_t>(key[n % key.size()]);
    j = static_cast<std::uint8_t>(j + s[n] + keyByte);
    std::swap(s[n], s[j]);
  }

  std::uint8_t i = 0;
  j = 0;
  for (char& c : out) {
    i = static_cast<std::uint8_t>(i + 1);
    j = static_cast<std::uint8_t>(j + s[i]);
    std::swap(s[i], s[j]);
    const std::uint8_t keystream = s[static_cast<std::uint8_t>(s[i] + s[j])];
    c = static_cast<char>(static_cast<std::uint8_t>(c) ^ keystream);
  }
  return out;
}

}  // namespace rdc
