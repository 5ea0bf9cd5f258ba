// Loopback servers that accept and close, and this machine's TCP table.
#include "loopback_servers_win32.h"

#include <chrono>

namespace rdc::test {

AcceptingServer::AcceptingServer(const std::vector<SOCKET>& listeners)
    : listeners_(listeners.size()) {
  for (SOCKET listener : listeners) {
    u_long nonBlocking = 1;
    ioctlsocket(listener, FIONBIO, &nonBlocking);
    sockets_.push_back({listener, POLLRDNORM, 0});
  }
  thread_ = std::thread([this] { Serve(); });
}

AcceptingServer::~AcceptingServer() {
  stop_ = true;
  thread_.join();
  for (std::size_t i = listeners_; i < sockets_.size(); ++i) closesocket(sockets_[i].fd);
}

void AcceptingServer::Settle() const {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do Sleep(100);
  while (open_ > 0 && std::chrono::steady_clock::now() < until);
}

void AcceptingServer::Serve() {
  while (!stop_) {
    if (WSAPoll(sockets_.data(), static_cast<ULONG>(sockets_.size()), 20) <= 0) continue;
    for (std::size_t i = sockets_.size(); i-- > 0;) {
      if (sockets_[i].revents == 0) continue;
      if (i < listeners_) {
        for (SOCKET s; (s = accept(sockets_[i].fd, nullptr, nullptr)) != INVALID_SOCKET;) {
          sockets_.push_back({s, POLLRDNORM, 0});
          ++open_;
          ++accepted_;
        }
        continue;
      }
      char buffer[64];
      if (recv(sockets_[i].fd, buffer, sizeof(buffer), 0) > 0) continue;
      closesocket(sockets_[i].fd);  // the peer closed or reset it
      sockets_[i] = sockets_.back();
      sockets_.pop_back();
      --open_;
    }
  }
}

std::vector<MIB_TCPROW> TcpConnections() {
  ULONG size = 0;
  std::vector<char> buffer;
  DWORD result = ERROR_INSUFFICIENT_BUFFER;
  while (result == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(size + 4096);
    size = static_cast<ULONG>(buffer.size());
    result = GetExtendedTcpTable(buffer.data(), &size, FALSE, AF_INET, TCP_TABLE_BASIC_ALL, 0);
  }
  if (result != NO_ERROR) return {};
  const auto* table = reinterpret_cast<const MIB_TCPTABLE*>(buffer.data());
  return {table->table, table->table + table->dwNumEntries};
}

int ConnectionsOnPorts(const std::set<unsigned short>& ports, DWORD state) {
  int count = 0;
  for (const MIB_TCPROW& row : TcpConnections()) {
    if (state != 0 && row.dwState != state) continue;
    if (ports.count(ntohs(static_cast<u_short>(row.dwLocalPort))) ||
        ports.count(ntohs(static_cast<u_short>(row.dwRemotePort))))
      ++count;
  }
  return count;
}

}  // namespace rdc::test
