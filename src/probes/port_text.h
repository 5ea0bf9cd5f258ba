// The port a status probe connects to, read from the port text as typed.
#pragma once

#include <cstdint>
#include <string_view>

namespace rdc {

// Leading white space and one sign, then decimal digits up to the first
// non-digit (none read as 0). GBK full-width forms of ASCII (A3 A1..A3 FE) and
// the full-width space (A1 A1) count as their ASCII characters. 0 or less gives
// port 1; of a larger number only the low 16 bits are used.
std::uint16_t ProbePort(std::string_view portText);

}  // namespace rdc
