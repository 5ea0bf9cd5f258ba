// The port rule of the status probes over GBK text.
#include "probes/port_text.h"

#include <cstddef>

#include "text/gbk_text.h"

namespace rdc {
namespace {

// The ASCII character a GBK character stands for, or 0 when it stands for none.
char AsAscii(std::string_view text, std::size_t index, std::size_t length) {
  const auto lead = static_cast<unsigned char>(text[index]);
  if (length == 1) return lead < 0x80 ? static_cast<char>(lead) : '\0';
  const auto trail = static_cast<unsigned char>(text[index + 1]);
  if (lead == 0xA1 && trail == 0xA1) return ' ';
  if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) return static_cast<char>(trail - 0x80);
  return 0;
}

bool IsWhiteSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::uint16_t ProbePort(std::string_view portText) {
  std::size_t index = 0;
  // The next character as ASCII, advancing past it; 0 at the end.
  auto next = [&](bool advance) {
    const std::size_t length = CharLength(portText, index);
    if (length == 0) return '\0';
    const char c = AsAscii(portText, index, length);
    if (advance) index += length;
    return c;
  };
  while (IsWhiteSpace(next(false))) next(true);
  bool negative = false;
  if (const char sign = next(false); sign == '+' || sign == '-') {
    negative = sign == '-';
    next(true);
  }
  // The number may be longer than any integer type: keep its low 16 bits and
  // whether it is above zero.
  std::uint16_t low = 0;
  bool aboveZero = false;
  for (char c = next(false); c >= '0' && c <= '9'; c = next(false)) {
    low = static_cast<std::uint16_t>(low * 10 + (c - '0'));
    aboveZero = aboveZero || c != '0';
    next(true);
  }
  if (negative || !aboveZero) return 1;
  return low;
}

}  // namespace rdc
