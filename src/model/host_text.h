// What a server's host text says about itself: a dotted IPv4 address, an
// IPv6 literal (bare, or in brackets as in an address with a port), or a name.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rdc {

// The four bytes of "a.b.c.d" (each 0 to 255, 1 to 3 decimal digits).
std::optional<std::array<std::uint8_t, 4>> DottedQuadBytes(std::string_view text);

// The sixteen bytes of an IPv6 address in its text form ("2001:db8::5",
// "::ffff:192.0.2.1"), without brackets or a zone.
std::optional<std::array<std::uint8_t, 16>> Ipv6Bytes(std::string_view text);

// The text inside "[" and "]" when the host is enclosed in them; else the host.
std::string_view WithoutBrackets(std::string_view host);

// Whether the host is an IPv6 literal, bare or in brackets, with or without a
// zone ("fe80::1%3").
bool IsIpv6Literal(std::string_view host);

// Host and port as a connection's address: "[address]:port" for an IPv6
// literal (which has colons of its own), else "host:port".
std::string AddressWithPort(std::string_view host, std::string_view port);

}  // namespace rdc
