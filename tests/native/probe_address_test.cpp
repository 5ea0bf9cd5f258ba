// The host rule of the status probes: dotted IPv4 used as it is, names looked
// up, IPv4 first and IPv6 when a host has nothing else.
#include "probes/probe_address.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace rdc {
namespace {

IpAddress Ipv6Loopback() {
  IpAddress address;
  address.family = IpAddress::Family::V6;
  address.bytes[15] = 1;
  return address;
}

TEST(ClassifyHostTest, EmptyDottedOrName) {
  struct Case {
    std::string host;
    HostKind kind;
  };
  const Case cases[] = {
      {"", HostKind::Empty},
      {"127.0.0.1", HostKind::DottedIpv4},
      {"255.255.255.255", HostKind::DottedIpv4},
      {"010.0.0.1", HostKind::DottedIpv4},
      {"256.0.0.1", HostKind::Name},
      {"1.2.3", HostKind::Name},
      {"1.2.3.4.", HostKind::Name},
      {"1.2.3.4 ", HostKind::Name},
      {" 1.2.3.4", HostKind::Name},
      {"1..3.4", HostKind::Name},
      {"1.2.3.0004", HostKind::Name},
      {"::1", HostKind::Ipv6Literal},
      {"[2001:db8::5]", HostKind::Ipv6Literal},
      {"::ffff:192.0.2.1", HostKind::Ipv6Literal},
      {"[fe80::1%3]", HostKind::Name},  // a zone: looked up, as "fe80::1%3"
      {"1:2:3:4:5:6:7:8:9", HostKind::Name},
      {"2001:db8::5::1", HostKind::Name},
      {":1", HostKind::Name},
      {"1:", HostKind::Name},
      {"12345::", HostKind::Name},
      {"[::1", HostKind::Name},
      {"server.example", HostKind::Name},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyHost(c.host), c.kind) << c.host;
}

TEST(DottedIpv4Test, GivesTheFourBytes) {
  EXPECT_EQ(DottedIpv4("10.200.3.45"), Ipv4(10, 200, 3, 45));
  EXPECT_EQ(DottedIpv4("010.0.0.1"), Ipv4(10, 0, 0, 1));  // decimal, as typed
  EXPECT_EQ(DottedIpv4("host"), std::nullopt);
}

TEST(Ipv6LiteralTest, GivesTheSixteenBytes) {
  IpAddress expected;
  expected.family = IpAddress::Family::V6;
  expected.bytes = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5};
  EXPECT_EQ(Ipv6Literal("2001:db8::5"), expected);
  EXPECT_EQ(Ipv6Literal("[2001:0DB8:0:0:0:0:0:5]"), expected);
  expected.bytes = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 192, 0, 2, 1};
  EXPECT_EQ(Ipv6Literal("::ffff:192.0.2.1"), expected);
  expected.bytes = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Ipv6Literal("1::"), expected);
  EXPECT_EQ(Ipv6Literal("::").value().bytes, (std::array<std::uint8_t, 16>{}));
  EXPECT_EQ(LookUpText("[fe80::1%3]"), "fe80::1%3");
  EXPECT_EQ(LookUpText("server.example"), "server.example");
}

TEST(ChooseProbeAddressTest, FirstIpv4ElseFirstIpv6) {
  const IpAddress v6 = Ipv6Loopback();
  const IpAddress first = Ipv4(10, 0, 0, 1);
  const IpAddress second = Ipv4(10, 0, 0, 2);
  EXPECT_EQ(ChooseProbeAddress(std::vector<IpAddress>{v6, first, second}), first);
  EXPECT_EQ(ChooseProbeAddress(std::vector<IpAddress>{second, first}), second);
  EXPECT_EQ(ChooseProbeAddress(std::vector<IpAddress>{v6}), v6);
  EXPECT_EQ(ChooseProbeAddress(std::vector<IpAddress>{}), std::nullopt);
}

}  // namespace
}  // namespace rdc
