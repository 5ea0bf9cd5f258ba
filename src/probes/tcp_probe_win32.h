// The status probes on Windows: Winsock connects polled with WSAPoll, name
// look-ups through GetAddrInfoW.
#pragma once

#include <windows.h>

#include <winsock2.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "probes/status_monitor.h"

namespace rdc {

// Closes the sockets of ended attempts on a thread of its own, so that the
// sweep goes on beginning connects meanwhile (under Wine each close, and the
// reset before it, is a round trip to its server: a quarter of a 1,000-row
// sweep). Its end waits until every socket handed to it is closed. Without a
// thread to spare it closes each socket at once.
class SocketCloser {
 public:
  SocketCloser();
  ~SocketCloser();
  SocketCloser(const SocketCloser&) = delete;
  SocketCloser& operator=(const SocketCloser&) = delete;

  // Closes `socket`, with a reset when `reset` (a connection was made).
  void Close(SOCKET socket, bool reset);

 private:
  struct Closing {
    SOCKET socket;
    bool reset;
  };
  void Run();
  std::mutex mutex_;
  std::condition_variable handed_;
  std::vector<Closing> waiting_;
  bool ending_ = false;
  std::thread thread_;  // not joinable when none could be started
};

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
  SocketCloser closer_;
};

// Starts Winsock once for the process (it is never ended: the process ends
// without waiting for the attempts).
bool StartWinsock();

// The addresses of a host name, IPv4 and IPv6, in the system's order.
std::vector<IpAddress> LookUpHost(const std::string& host);

ProbeSystem Win32ProbeSystem();

}  // namespace rdc
