// A server's address: the forms of its host (dotted IPv4, IPv6 literal) and
// "host:port" as one text, an IPv6 literal in brackets.
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

// Whether the host is an IPv6 literal: it holds a ":" (no name or IPv4
// address does), bare or already in brackets.
bool IsIpv6Literal(std::string_view host);

// The host without the brackets of "[v6]"; any other host as it is.
std::string_view HostWithoutBrackets(std::string_view host);

// "host:port", with an IPv6 literal as "[address]:port" so that the port
// cannot be read as part of the address.
std::string HostWithPort(std::string_view host, std::string_view port);

}  // namespace rdc
