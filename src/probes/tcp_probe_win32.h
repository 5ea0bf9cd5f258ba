// The status probes on Windows: Winsock connects polled with WSAPoll, name
// look-ups through GetAddrInfoW.
#pragma once

#include <windows.h>

#include <winsock2.h>

#include <memory>

#include "probes/status_monitor.h"

namespace rdc {

// Non-blocking connects of one sweep, each on a socket of its own.
class WsaPollConnector : public ProbeConnector {
 public:
  WsaPollConnector() = default;
  ~WsaPollConnector() override;
  WsaPollConnector(const WsaPollConnector&) = delete;
  WsaPollConnector& operator=(const WsaPollConnector&) = delete;

  int Begin(const IpAddress& address, std::uint16_t port) override;
  std::vector<Ended> Wait(std::chrono::milliseconds wait) override;

 private:
  std::vector<WSAPOLLFD> sockets_;  // the attempts still connecting
  std::vector<int> attempts_;       // their numbers, in the same order
  std::vector<Ended> endedAtOnce_;  // connects that ended inside Begin
  int next_ = 0;
};

// Starts Winsock once for the process (it is never ended: the process ends
// without waiting for the attempts).
bool StartWinsock();

// The addresses of a host name, IPv4 and IPv6, in the system's order.
std::vector<IpAddress> LookUpHost(const std::string& host);

ProbeSystem Win32ProbeSystem();

}  // namespace rdc
