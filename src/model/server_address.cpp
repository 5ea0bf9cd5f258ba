// Host and port as one text.
#include "model/server_address.h"

namespace rdc {

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
