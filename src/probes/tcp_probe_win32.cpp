// Windows side of the status probes: each attempt a non-blocking socket of
// its own, reset when it ends; nothing is sent or read.
#include "probes/tcp_probe_win32.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "os/owners_win32.h"
#include "text/text_win32.h"

namespace rdc {
namespace {

// Closes a probe's socket with a reset instead of the graceful close: a
// graceful close of a connection holds its TIME_WAIT (and a local port) on
// this machine for minutes, a few thousand at a time at a sweep every 10 s.
// The peer is told by the reset, as by any connection ended without data.
void CloseWithReset(UniqueSocket socket) {
  const LINGER reset{1, 0};  // linger on, for 0 s
  // Without the option the close is graceful, which still ends the attempt.
  setsockopt(socket.get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset),
             sizeof(reset));
}

// Closes `socket` now, with a reset when a connection was made on it.
void CloseNow(SOCKET socket, bool reset) {
  UniqueSocket closing(socket);
  if (reset) CloseWithReset(std::move(closing));
}

}  // namespace

SocketCloser::SocketCloser() {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    // No thread now: Close closes at once.
  }
}

SocketCloser::~SocketCloser() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  handed_.notify_one();
  thread_.join();
}

void SocketCloser::Close(SOCKET socket, bool reset) {
  if (thread_.joinable()) {
    try {
      {
        std::lock_guard lock(mutex_);
        waiting_.push_back({socket, reset});
      }
      handed_.notify_one();
      return;
    } catch (...) {
      // No memory to queue it: closed here.
    }
  }
  CloseNow(socket, reset);
}

void SocketCloser::Run() {
  std::vector<Closing> closing;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      handed_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
      if (waiting_.empty()) return;  // ending, and all closed
      closing.swap(waiting_);
    }
    for (const Closing& ended : closing) CloseNow(ended.socket, ended.reset);
    closing.clear();
  }
}

WsaPollConnector::~WsaPollConnector() {
  for (const WSAPOLLFD& socket : sockets_) closer_.Close(socket.fd, true);
}

int WsaPollConnector::Begin(const IpAddress& address, std::uint16_t port) {
  const bool v6 = address.family == IpAddress::Family::V6;
  UniqueSocket socket(::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket) {
    const int error = WSAGetLastError();
    return error == WSAEMFILE || error == WSAENOBUFS ? kNoRoom : kFailed;
  }
  u_long nonBlocking = 1;
  sockaddr_storage target{};
  int targetSize = 0;
  if (v6) {
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&target);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    std::memcpy(&in6->sin6_addr, address.bytes.data(), 16);
    targetSize = sizeof(sockaddr_in6);
  } else {
    auto* in4 = reinterpret_cast<sockaddr_in*>(&target);
    in4->sin_family = AF_INET;
    in4->sin_port = htons(port);
    std::memcpy(&in4->sin_addr, address.bytes.data(), 4);
    targetSize = sizeof(sockaddr_in);
  }
  if (ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return kFailed;
  const int attempt = next_++;
  if (connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), targetSize) == 0) {
    closer_.Close(socket.release(), true);
    endedAtOnce_.push_back({attempt, true});
  } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
    // The poll array holds the raw socket from here on; this connector closes it.
    sockets_.push_back({socket.get(), POLLOUT, 0});
    socket.release();
    attempts_.push_back(attempt);
  } else {
    endedAtOnce_.push_back({attempt, false});
  }
  return attempt;
}

std::vector<ProbeConnector::Ended> WsaPollConnector::Wait(std::chrono::milliseconds wait) {
  std::vector<Ended> ended = std::move(endedAtOnce_);
  endedAtOnce_.clear();
  if (sockets_.empty()) return ended;
  const int timeout = ended.empty() ? static_cast<int>(wait.count()) : 0;
  if (WSAPoll(sockets_.data(), static_cast<ULONG>(sockets_.size()), timeout) <= 0) return ended;
  for (std::size_t i = sockets_.size(); i-- > 0;) {
    const SHORT events = sockets_[i].revents;
    if (events == 0) continue;
    // A connect that failed reports an error or a hang-up, one that was made
    // only that it can write.
    const bool connected = (events & POLLOUT) && !(events & (POLLERR | POLLHUP));
    ended.push_back({attempts_[i], connected});
    // A refused connect made no connection to leave behind.
    closer_.Close(sockets_[i].fd, connected);
    sockets_[i] = sockets_.back();
    sockets_.pop_back();
    attempts_[i] = attempts_.back();
    attempts_.pop_back();
  }
  return ended;
}

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

std::vector<IpAddress> LookUpHost(const std::string& host) {
  std::vector<IpAddress> addresses;
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  UniqueAddressInfo found;
  if (GetAddrInfoW(WideFromGbk(host).c_str(), nullptr, &hints, found.receive()) != 0)
    return addresses;
  for (const ADDRINFOW* info = found.get(); info; info = info->ai_next) {
    IpAddress address;
    if (info->ai_family == AF_INET) {
      std::memcpy(address.bytes.data(),
                  &reinterpret_cast<const sockaddr_in*>(info->ai_addr)->sin_addr, 4);
    } else if (info->ai_family == AF_INET6) {
      address.family = IpAddress::Family::V6;
      std::memcpy(address.bytes.data(),
                  &reinterpret_cast<const sockaddr_in6*>(info->ai_addr)->sin6_addr, 16);
    } else {
      continue;
    }
    addresses.push_back(address);
  }
  return addresses;
}

namespace {

// Winsock that did not start fails every attempt at once.
class FailingConnector : public ProbeConnector {
 public:
  int Begin(const IpAddress&, std::uint16_t) override { return kFailed; }
  std::vector<Ended> Wait(std::chrono::milliseconds) override { return {}; }
};

}  // namespace

ProbeSystem Win32ProbeSystem() {
  ProbeSystem system;
  system.newConnector = []() -> std::unique_ptr<ProbeConnector> {
    if (!StartWinsock()) return std::make_unique<FailingConnector>();
    return std::make_unique<WsaPollConnector>();
  };
  // One set of look-up threads for the whole run; they end with the process.
  static const auto lookUps = std::make_shared<NameLookUps>([](const std::string& host) {
    return StartWinsock() ? LookUpHost(host) : std::vector<IpAddress>{};
  });
  system.lookUps = lookUps;
  return system;
}

}  // namespace rdc
