// Helpers shared by the fuzz targets: a failed property stops the run with a
// message, and fuzzer bytes are turned into texts a user could have typed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace rdc::fuzz {

// Stops the run (libFuzzer then saves the input) when a property does not hold.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

inline bool IsLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}
inline bool IsTrailByte(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}
inline bool IsControlByte(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F;
}

// The bytes as well-formed GBK text: whole double-byte characters, no control
// byte (CR and LF kept when `lineBreaks`), none of the single bytes in `banned`.
inline std::string GbkText(std::string_view bytes, std::string_view banned = {},
                           bool lineBreaks = false) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 < bytes.size() && IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
        text += bytes.substr(i, 2);
        ++i;
      }
      continue;
    }
    // 0x80 is "€", a character of its own; 0xFF is no character of the code page.
    if (byte > 0x80) continue;
    if (IsControlByte(byte) && !(lineBreaks && (byte == '\r' || byte == '\n'))) continue;
    if (banned.find(static_cast<char>(byte)) != std::string_view::npos) continue;
    text += static_cast<char>(byte);
  }
  return text;
}

// The byte offsets at which characters start, walking as the GBK text rules do:
// a lead byte (0x81 to 0xFE) and the byte after it are one character.
inline std::vector<bool> CharacterStarts(std::string_view text) {
  std::vector<bool> starts(text.size() + 1, false);
  for (std::size_t i = 0; i < text.size();) {
    starts[i] = true;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  starts[text.size()] = true;
  return starts;
}

}  // namespace rdc::fuzz
