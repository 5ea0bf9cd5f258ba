// Fuzzes the probes' port rule: a port text made of white space, a sign, digits
// and a tail, each in ASCII or GBK full-width form, gives the number's low 16
// bits, or 1 when the number is 0 or less.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "probes/port_text.h"

namespace rdc::fuzz {
namespace {

// The full-width GBK form of a printable ASCII character ("！" .. "～").
std::string FullWidth(char c) {
  return {static_cast<char>(0xA3), static_cast<char>(static_cast<unsigned char>(c) + 0x80)};
}

std::string ConsumeCharacter(FuzzedDataProvider& input, char c) {
  return input.ConsumeBool() || c < 0x21 ? std::string(1, c) : FullWidth(c);
}

void CheckPortRule(FuzzedDataProvider& input) {
  std::string text;
  for (int n = input.ConsumeIntegralInRange(0, 3); n > 0; --n) {
    constexpr char kWhiteSpace[] = {' ', '\t', '\n', '\v', '\f', '\r'};
    if (input.ConsumeBool()) {
      text += "\xA1\xA1";  // the full-width space
    } else {
      text += kWhiteSpace[input.ConsumeIntegralInRange<std::size_t>(0, 5)];
    }
  }
  bool negative = false;
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 1: text += ConsumeCharacter(input, '+'); break;
    case 2:
      text += ConsumeCharacter(input, '-');
      negative = true;
      break;
  }
  // The number's low 16 bits, and whether it is above zero, kept as digits come.
  std::uint32_t low = 0;
  bool aboveZero = false;
  for (int n = input.ConsumeIntegralInRange(0, 30); n > 0; --n) {
    const int digit = input.ConsumeIntegralInRange(0, 9);
    text += ConsumeCharacter(input, static_cast<char>('0' + digit));
    low = (low * 10 + static_cast<std::uint32_t>(digit)) % 65536;
    aboveZero = aboveZero || digit != 0;
  }
  // The tail begins with a character the rule reads as none of white space,
  // sign or digit, in either form, so the number ends where the digits do.
  std::string tail = GbkText(input.ConsumeRandomLengthString(16));
  if (!tail.empty()) {
    auto c = static_cast<unsigned char>(tail.front());
    if (c == 0xA1 && tail.size() >= 2 && static_cast<unsigned char>(tail[1]) == 0xA1) c = ' ';
    if (c == 0xA3 && tail.size() >= 2) c = static_cast<unsigned char>(tail[1]) - 0x80;
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == ' ' || (c >= '\t' && c <= '\r'))
      tail.insert(0, "x");
  }
  text += tail;
  const std::uint16_t expected = negative || !aboveZero ? 1 : static_cast<std::uint16_t>(low);
  FUZZ_CHECK(ProbePort(text) == expected);
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Any bytes at all are read without fault.
  rdc::ProbePort(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzedDataProvider input(data, size);
  rdc::fuzz::CheckPortRule(input);
  return 0;
}
