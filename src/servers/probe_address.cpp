// The host rule of the status probes.
#include "servers/probe_address.h"

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
  std::array<std::uint8_t, 4> parts{};
  std::size_t index = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (index >= host.size() || host[index] != '.') return std::nullopt;
      ++index;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    while (index < host.size() && host[index] >= '0' && host[index] <= '9' && digits < 3) {
      value = value * 10 + static_cast<unsigned>(host[index] - '0');
      ++index;
      ++digits;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    parts[part] = static_cast<std::uint8_t>(value);
  }
  if (index != host.size()) return std::nullopt;
  return Ipv4(parts[0], parts[1], parts[2], parts[3]);
}

HostKind ClassifyHost(std::string_view host) {
  if (host.empty()) return HostKind::Empty;
  return DottedIpv4(host) ? HostKind::DottedIpv4 : HostKind::Name;
}

std::optional<IpAddress> ChooseProbeAddress(std::span<const IpAddress> lookedUp) {
  for (const IpAddress& address : lookedUp)
    if (address.family == IpAddress::Family::V4) return address;
  for (const IpAddress& address : lookedUp)
    if (address.family == IpAddress::Family::V6) return address;
  return std::nullopt;
}

}  // namespace rdc
