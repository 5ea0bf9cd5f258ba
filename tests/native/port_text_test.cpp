// The port rule of the status probes, from a table.
#include "probes/port_text.h"

#include <gtest/gtest.h>

#include <string>

namespace rdc {
namespace {

struct PortCase {
  std::string text;
  int expected;
};

TEST(ProbePortTest, ReadsThePortTextByTheRule) {
  const PortCase cases[] = {
      {"3389", 3389},
      {"", 1},  // no digits: 0, which becomes 1
      {"rdp", 1},
      {"   3389", 3389},
      {"\t\r\n\v\f3389", 3389},
      {"3389abc", 3389},
      {"33 89", 33},
      {"+3389", 3389},
      {"-3389", 1},
      {"-0", 1},
      {"0", 1},
      {"+-3389", 1},  // one sign only
      {"- 3389", 1},  // no space after the sign
      {"65535", 65535},
      {"65536", 0},  // low 16 bits
      {"65537", 1},
      {"70000", 70000 - 65536},
      {"4294967296", 0},
      {"99999999999999999999999", 65535},  // 10^23 - 1; 10^23 is a multiple of 2^16
      {"000000000000000000003389", 3389},
      {"\xA3\xB3\xA3\xB3\xA3\xB8\xA3\xB9", 3389},  // full-width ３３８９
      {"\xA1\xA1\xA1\xA1"
       "3389",
       3389},  // full-width spaces before
      {"\xA3\xAB"
       "3389",
       3389},  // full-width plus sign
      {"\xA3\xAD"
       "3389",
       1},  // full-width minus sign
      {"33\xA3\xB8"
       "9x",
       3389},               // mixed widths
      {"\xA3\xB3\xA3", 3},  // a lone lead byte at the end ends the digits
      {"\xB0\xA1"
       "3389",
       1},  // another Chinese character first (啊)
      {"33\xA1\xA1"
       "89",
       33},  // a full-width space ends the digits
  };
  for (const PortCase& c : cases) EXPECT_EQ(ProbePort(c.text), c.expected) << "text: " << c.text;
}

}  // namespace
}  // namespace rdc
