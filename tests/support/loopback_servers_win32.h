// Loopback servers that accept and close as a real server does, and this
// machine's TCP table, for the tests and benchmarks of the probes' traces.
#pragma once

// clang-format off
#include <winsock2.h>  // before <windows.h>
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace rdc::test {

// Serves listening sockets on a thread of its own: accepts each connection and
// closes it once the peer has closed or reset it. (A connection left in the
// backlog keeps the prober's side in FIN_WAIT_2, not in the TIME_WAIT a real
// server leaves it in.) The listeners stay the caller's.
class AcceptingServer {
 public:
  explicit AcceptingServer(const std::vector<SOCKET>& listeners);
  ~AcceptingServer();  // closes the connections still open
  AcceptingServer(const AcceptingServer&) = delete;
  AcceptingServer& operator=(const AcceptingServer&) = delete;

  // Waits until every accepted connection has been closed, 5 s at most.
  void Settle() const;
  // How many connections it has accepted so far.
  long long accepted() const { return accepted_; }

 private:
  void Serve();

  const std::size_t listeners_;
  std::vector<WSAPOLLFD> sockets_;  // the listeners, then the accepted connections
  std::atomic<int> open_{0};
  std::atomic<long long> accepted_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The IPv4 TCP connections of this machine (listeners included).
std::vector<MIB_TCPROW> TcpConnections();

// Of those, the ones in `state` (MIB_TCP_STATE_..., or 0 for any) with an end
// on one of `ports` of this machine (local or remote).
int ConnectionsOnPorts(const std::set<unsigned short>& ports, DWORD state = 0);

}  // namespace rdc::test
