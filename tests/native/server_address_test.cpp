#include "model/server_address.h"

#include <gtest/gtest.h>

namespace rdc {
namespace {

TEST(HostWithPortTest, Ipv6LiteralsGoInBracketsOnce) {
  const struct {
    const char* host;
    const char* port;
    const char* text;
  } cases[] = {
      {"127.0.0.1", "3389", "127.0.0.1:3389"},
      {"srv.example", "13389", "srv.example:13389"},
      {"2001:db8::5", "3389", "[2001:db8::5]:3389"},
      {"[2001:db8::5]", "3389", "[2001:db8::5]:3389"},
      {"::1", "", "[::1]:"},
      {"", "3389", ":3389"},
  };
  for (const auto& c : cases) EXPECT_EQ(HostWithPort(c.host, c.port), c.text) << c.host;
}

}  // namespace
}  // namespace rdc
