// The host rule of the status probes.
#include "probes/probe_address.h"

#include "model/server_address.h"

namespace rdc {

IpAddress Ipv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  IpAddress address;
  address.bytes[0] = a;
  address.bytes[1] = b;
  address.bytes[2] = c;
  address.bytes[3] = d;
  return address;
}

std::optional<IpAddress> DottedIpv4(std::string_view host) {
  const std::optional<std::array<std::uint8_t, 4>> bytes = DottedQuadBytes(host);
  if (!bytes) return std::nullopt;
  return Ipv4((*bytes)[0], (*bytes)[1], (*bytes)[2], (*bytes)[3]);
}

std::optional<IpAddress> Ipv6Literal(std::string_view host) {
  const std::optional<std::array<std::uint8_t, 16>> bytes = Ipv6Bytes(HostWithoutBrackets(host));
  if (!bytes) return std::nullopt;
  IpAddress address;
  address.family = IpAddress::Family::V6;
  address.bytes = *bytes;
  return address;
}

HostKind ClassifyHost(std::string_view host) {
  if (host.empty()) return HostKind::Empty;
  if (DottedIpv4(host)) return HostKind::DottedIpv4;
  if (Ipv6Literal(host)) return HostKind::Ipv6Literal;
  return HostKind::Name;
}

std::string LookUpText(std::string_view host) {
  return std::string(HostWithoutBrackets(host));
}

std::optional<IpAddress> ChooseProbeAddress(std::span<const IpAddress> lookedUp) {
  for (const IpAddress& address : lookedUp)
    if (address.family == IpAddress::Family::V4) return address;
  for (const IpAddress& address : lookedUp)
    if (address.family == IpAddress::Family::V6) return address;
  return std::nullopt;
}

}  // namespace rdc
