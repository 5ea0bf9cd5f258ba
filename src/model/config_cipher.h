// The cipher of ms.ini: plain RC4 keyed with the bytes of a fixed text.
// Enciphering and deciphering are the same call. An empty key acts as the
// one-byte key 0x00.
#pragma once

#include <string>
#include <string_view>

namespace rdc {

inline constexpr std::string_view kConfigKey = "7140";

std::string ConfigCipher(std::string_view bytes, std::string_view key = kConfigKey);

}  // namespace rdc
