// Which address a status probe connects to, decided from the host text and,
// for a name, from what the system's look-up gave.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rdc {

struct IpAddress {
  enum class Family { V4, V6 } family = Family::V4;
  std::array<std::uint8_t, 16> bytes{};  // network order; IPv4 uses the first 4
  bool operator==(const IpAddress&) const = default;
};

IpAddress Ipv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);

enum class HostKind { Empty, DottedIpv4, Ipv6Literal, Name };

HostKind ClassifyHost(std::string_view host);

// The address of a dotted IPv4 host ("a.b.c.d", each 0-255 in decimal), used
// as it is without a look-up; nothing for any other text.
std::optional<IpAddress> DottedIpv4(std::string_view host);

// The address of an IPv6 literal without a zone, bare or in brackets
// ("2001:db8::5", "[2001:db8::5]"), used as it is without a look-up.
std::optional<IpAddress> Ipv6Literal(std::string_view host);

// The text a name look-up is given: the host without brackets around it (a
// literal with a zone, "[fe80::1%3]", is looked up).
std::string LookUpText(std::string_view host);

// Of the addresses a look-up gave, in its order: the first IPv4 one, else the
// first IPv6 one (a host with only IPv6 is probed over IPv6); nothing when empty.
std::optional<IpAddress> ChooseProbeAddress(std::span<const IpAddress> lookedUp);

}  // namespace rdc
