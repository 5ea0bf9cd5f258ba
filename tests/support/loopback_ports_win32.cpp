// Loopback ports below the system's source-port range.
#include "loopback_ports_win32.h"

#include <ws2tcpip.h>

namespace rdc::test {

unsigned short BindLoopbackBelowSourcePorts(SOCKET socket, int family) {
  // Every call moves on, so ports just released are not handed out again at once.
  static unsigned short next = 20000;
  for (int tries = 0; tries < 12000; ++tries) {
    const unsigned short port = next;
    next = next >= 31999 ? 20000 : next + 1;
    sockaddr_storage address{};
    int size = 0;
    if (family == AF_INET6) {
      auto* in6 = reinterpret_cast<sockaddr_in6*>(&address);
      in6->sin6_family = AF_INET6;
      in6->sin6_addr = in6addr_loopback;
      in6->sin6_port = htons(port);
      size = sizeof(*in6);
    } else {
      auto* in4 = reinterpret_cast<sockaddr_in*>(&address);
      in4->sin_family = AF_INET;
      in4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      in4->sin_port = htons(port);
      size = sizeof(*in4);
    }
    if (bind(socket, reinterpret_cast<const sockaddr*>(&address), size) == 0) return port;
  }
  return 0;
}

unsigned short ClosedLoopbackPort() {
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const unsigned short port = BindLoopbackBelowSourcePorts(socket, AF_INET);
  closesocket(socket);
  return port;
}

}  // namespace rdc::test
