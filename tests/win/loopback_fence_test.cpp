// The fence seen from a Windows program under Wine: its sockets are made by
// the Wine server, so that server must run inside the loopback-only namespace
// too. When the scripts say tests must run fenced, a connect to a
// documentation address fails at once as unreachable.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <string>

#include "os/owners_win32.h"

namespace rdc {
namespace {

bool FenceRequired() {
  for (const char* name : {"RDC_REQUIRE_LOOPBACK_ONLY", "RDC_LOOPBACK_ONLY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && std::string(value) == "1") return true;
  }
  return false;
}

TEST(LoopbackFence, WineSocketsStayOnThisMachine) {
  if (!FenceRequired()) GTEST_SKIP() << "tests run unfenced here (not through tools/test as root)";
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  ASSERT_TRUE(socket.valid());
  u_long nonBlocking = 1;
  ASSERT_EQ(ioctlsocket(socket.get(), FIONBIO, &nonBlocking), 0);
  sockaddr_in documentation{};
  documentation.sin_family = AF_INET;
  documentation.sin_port = htons(9);
  ASSERT_EQ(inet_pton(AF_INET, "203.0.113.1", &documentation.sin_addr), 1);
  const int result = connect(socket.get(), reinterpret_cast<const sockaddr*>(&documentation),
                             sizeof documentation);
  const int error = WSAGetLastError();
  EXPECT_EQ(result, SOCKET_ERROR);
  EXPECT_EQ(error, WSAENETUNREACH) << "a Wine server outside the fence made this socket";
  socket.reset();
  WSACleanup();
}

}  // namespace
}  // namespace rdc
