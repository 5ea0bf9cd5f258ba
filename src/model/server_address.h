// A server's address as one text: "host:port", an IPv6 literal in brackets.
#pragma once

#include <string>
#include <string_view>

namespace rdc {

// Whether the host is an IPv6 literal: it holds a ":" (no name or IPv4
// address does), bare or already in brackets.
bool IsIpv6Literal(std::string_view host);

// The host without the brackets of "[v6]"; any other host as it is.
std::string_view HostWithoutBrackets(std::string_view host);

// "host:port", with an IPv6 literal as "[address]:port" so that the port
// cannot be read as part of the address.
std::string HostWithPort(std::string_view host, std::string_view port);

}  // namespace rdc
