// A host's address forms, and host and port as one text.
#include "model/server_address.h"

#include <vector>

namespace rdc {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::array<std::uint8_t, 4>> DottedQuadBytes(std::string_view text) {
  std::array<std::uint8_t, 4> parts{};
  std::size_t index = 0;
  for (std::size_t part = 0; part < 4; ++part) {
    if (part > 0) {
      if (index >= text.size() || text[index] != '.') return std::nullopt;
      ++index;
    }
    unsigned value = 0;
    std::size_t digits = 0;
    while (index < text.size() && text[index] >= '0' && text[index] <= '9' && digits < 3) {
      value = value * 10 + static_cast<unsigned>(text[index] - '0');
      ++index;
      ++digits;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    parts[part] = static_cast<std::uint8_t>(value);
  }
  if (index != text.size()) return std::nullopt;
  return parts;
}

std::optional<std::array<std::uint8_t, 16>> Ipv6Bytes(std::string_view text) {
  // The groups before and after "::" (all of them when there is none).
  std::vector<std::uint16_t> head, tail;
  std::vector<std::uint16_t>* groups = &head;
  bool compressed = false;
  std::size_t at = 0;
  if (text.starts_with("::")) {
    compressed = true;
    groups = &tail;
    at = 2;
  }
  while (at < text.size()) {
    const std::size_t colon = text.find(':', at);
    const std::string_view piece =
        text.substr(at, colon == std::string_view::npos ? std::string_view::npos : colon - at);
    if (colon == std::string_view::npos && piece.find('.') != std::string_view::npos) {
      const std::optional<std::array<std::uint8_t, 4>> quad = DottedQuadBytes(piece);
      if (!quad) return std::nullopt;
      groups->push_back(static_cast<std::uint16_t>((*quad)[0] << 8 | (*quad)[1]));
      groups->push_back(static_cast<std::uint16_t>((*quad)[2] << 8 | (*quad)[3]));
      break;
    }
    if (piece.empty() || piece.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (const char c : piece) {
      if (HexDigit(c) < 0) return std::nullopt;
      value = value * 16 + static_cast<unsigned>(HexDigit(c));
    }
    groups->push_back(static_cast<std::uint16_t>(value));
    if (colon == std::string_view::npos) break;
    at = colon + 1;
    if (at < text.size() && text[at] == ':') {
      if (compressed) return std::nullopt;
      compressed = true;
      groups = &tail;
      ++at;
    } else if (at == text.size()) {
      return std::nullopt;  // a single colon at the end
    }
  }
  const std::size_t count = head.size() + tail.size();
  if (compressed ? count > 7 : count != 8) return std::nullopt;
  std::array<std::uint8_t, 16> bytes{};
  const auto put = [&bytes](std::size_t group, std::uint16_t value) {
    bytes[2 * group] = static_cast<std::uint8_t>(value >> 8);
    bytes[2 * group + 1] = static_cast<std::uint8_t>(value & 0xFF);
  };
  for (std::size_t n = 0; n < head.size(); ++n) put(n, head[n]);
  for (std::size_t n = 0; n < tail.size(); ++n) put(8 - tail.size() + n, tail[n]);
  return bytes;
}

bool IsIpv6Literal(std::string_view host) {
  return host.find(':') != std::string_view::npos;
}

std::string_view HostWithoutBrackets(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    return host.substr(1, host.size() - 2);
  return host;
}

std::string HostWithPort(std::string_view host, std::string_view port) {
  std::string text;
  if (IsIpv6Literal(host)) {
    text += '[';
    text += HostWithoutBrackets(host);
    text += ']';
  } else {
    text += host;
  }
  text += ':';
  text += port;
  return text;
}

}  // namespace rdc
