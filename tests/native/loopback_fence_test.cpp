// The fence the test scripts run every test in: a network namespace that holds
// only loopback. When the scripts say tests must run fenced, the fence has to
// hold before anything else runs: no route leads off this machine, and a
// connect to a documentation address fails at once as unreachable.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

bool FenceRequired() {
  for (const char* name : {"RDC_REQUIRE_LOOPBACK_ONLY", "RDC_LOOPBACK_ONLY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && std::string(value) == "1") return true;
  }
  return false;
}

// The kernel's IPv4 routes of this namespace, the header line left out.
int Ipv4RouteCount() {
  std::ifstream routes("/proc/net/route");
  std::string line;
  int count = -1;
  while (std::getline(routes, line)) ++count;
  return count;
}

TEST(LoopbackFence, NothingLeavesThisMachine) {
  if (!FenceRequired()) GTEST_SKIP() << "tests run unfenced here (not through tools/test as root)";
  // Checked first: with a route off the machine, the connect below would send.
  ASSERT_EQ(Ipv4RouteCount(), 0) << "the namespace has IPv4 routes beyond loopback";

  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(socket, 0);
  ASSERT_EQ(fcntl(socket, F_SETFL, O_NONBLOCK), 0);
  sockaddr_in documentation{};
  documentation.sin_family = AF_INET;
  documentation.sin_port = htons(9);
  ASSERT_EQ(inet_pton(AF_INET, "203.0.113.1", &documentation.sin_addr), 1);
  const int result =
      connect(socket, reinterpret_cast<const sockaddr*>(&documentation), sizeof documentation);
  const int error = errno;
  close(socket);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(error, ENETUNREACH) << "connect: " << std::strerror(error);
}

}  // namespace
