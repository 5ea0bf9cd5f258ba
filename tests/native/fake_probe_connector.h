// A connector over an imagined network, for tests of the status sweeps: each
// (address, port) connects, is refused, or stays silent, after a given time.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "probes/status_monitor.h"

namespace rdc::test {

struct FakeAnswer {
  bool connects = false;
  std::chrono::milliseconds after{0};
  bool silent = false;  // never answers: only the deadline ends the attempt
};

using FakeNetwork = std::function<FakeAnswer(const IpAddress& address, std::uint16_t port)>;

// What one sweep's connector saw, in order; read after the sweep has ended.
struct ConnectorLog {
  struct Begun {
    IpAddress address;
    std::uint16_t port;
  };
  std::vector<Begun> begun;
  std::vector<std::size_t> begunAtWait;  // how many had begun at each Wait
  std::size_t mostOpen = 0;
};

class FakeConnector : public ProbeConnector {
 public:
  FakeConnector(FakeNetwork network, std::shared_ptr<ConnectorLog> log,
                std::size_t room = std::numeric_limits<std::size_t>::max())
      : network_(std::move(network)), log_(std::move(log)), room_(room) {}

  int Begin(const IpAddress& address, std::uint16_t port) override {
    if (open_.size() >= room_) return kNoRoom;
    if (log_) log_->begun.push_back({address, port});
    const FakeAnswer answer = network_(address, port);
    const auto end = answer.silent ? Clock::time_point::max() : Clock::now() + answer.after;
    open_[next_] = {end, answer.connects};
    if (log_) log_->mostOpen = std::max(log_->mostOpen, open_.size());
    return next_++;
  }

  std::vector<Ended> Wait(std::chrono::milliseconds wait) override {
    if (log_) log_->begunAtWait.push_back(log_->begun.size());
    auto until = Clock::now() + wait;
    for (const auto& [attempt, open] : open_) until = std::min(until, open.end);
    std::this_thread::sleep_until(until);
    std::vector<Ended> ended;
    for (auto it = open_.begin(); it != open_.end();) {
      if (it->second.end <= Clock::now()) {
        ended.push_back({it->first, it->second.connects});
        it = open_.erase(it);
      } else {
        ++it;
      }
    }
    return ended;
  }

 private:
  using Clock = std::chrono::steady_clock;
  struct Open {
    Clock::time_point end;
    bool connects;
  };
  FakeNetwork network_;
  std::shared_ptr<ConnectorLog> log_;
  std::size_t room_;
  std::map<int, Open> open_;
  int next_ = 0;
};

}  // namespace rdc::test
