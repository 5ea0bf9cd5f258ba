// Sweeps over a few hundred entries while the UI side appends, replaces and
// removes entries thousands of times; built with ThreadSanitizer. After a
// last quiet sweep every entry shows the status of its own host and port.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fake_probe_connector.h"
#include "probes/port_text.h"
#include "probes/status_monitor.h"

namespace rdc {
namespace {

using namespace std::chrono_literals;

// Even ports accept, odd ones refuse, after a few milliseconds.
bool Accepts(std::uint16_t port) {
  return port % 2 == 0;
}
test::FakeAnswer Network(const IpAddress&, std::uint16_t port) {
  return {Accepts(port), std::chrono::milliseconds(port % 4)};
}

// Stands for the main window's message queue: sweeps post, the UI takes.
class OutcomeQueue {
 public:
  void Post(std::vector<ProbeOutcome> outcomes) {
    std::lock_guard lock(mutex_);
    queue_.insert(queue_.end(), outcomes.begin(), outcomes.end());
  }
  std::deque<ProbeOutcome> TakeAll() {
    std::lock_guard lock(mutex_);
    return std::exchange(queue_, {});
  }

 private:
  std::mutex mutex_;
  std::deque<ProbeOutcome> queue_;
};

class UiSide {
 public:
  UiSide() : queue_(std::make_shared<OutcomeQueue>()) {
    system_.newConnector = [] { return std::make_unique<test::FakeConnector>(Network, nullptr); };
    system_.lookUps =
        std::make_shared<NameLookUps>([](const std::string& host) -> std::vector<IpAddress> {
          std::this_thread::sleep_for(std::chrono::microseconds(host.size() * 50));
          return {Ipv4(10, 1, 0, static_cast<std::uint8_t>(host.size()))};
        });
    for (int i = 0; i < 300; ++i) list_.push_back(NewEntry());
  }

  ServerEntry NewEntry() {
    ServerEntry entry;
    EditHostAndPort(entry);
    return entry;
  }
  void EditHostAndPort(ServerEntry& entry) {
    const int n = static_cast<int>(random_() % 1000);
    entry.host = n % 10 == 0 ? "host" + std::to_string(n) + ".test"
                             : "10.0." + std::to_string(n / 256) + "." + std::to_string(n % 256);
    entry.port = std::to_string(1000 + random_() % 1000);
  }

  void Sweep() {
    std::vector<ProbeTarget> targets = PlanSweep(list_);
    expected_ += targets.size();
    StartStatusSweep(std::move(targets), system_, [queue = queue_](std::vector<ProbeOutcome> known) {
      queue->Post(std::move(known));
    });
  }

  void Change() {
    const std::size_t index = random_() % list_.size();
    switch (random_() % 4) {
      case 0: list_.push_back(NewEntry()); break;
      case 1: EditHostAndPort(list_[index]); break;  // an edit in place
      case 2: list_[index] = NewEntry(); break;
      case 3:
        if (list_.size() > 200) list_.erase(list_.begin() + static_cast<long>(index));
        break;
    }
  }

  void ApplyPosted() {
    for (const ProbeOutcome& outcome : queue_->TakeAll()) {
      if (ApplyProbeOutcome(list_, outcome) < 0) ++dropped_;
      ++received_;
    }
  }

  // Applies outcomes until every sweep started so far has delivered all of them.
  bool DrainAll() {
    const auto until = std::chrono::steady_clock::now() + 60s;
    while (received_ < expected_ && std::chrono::steady_clock::now() < until) {
      ApplyPosted();
      std::this_thread::sleep_for(1ms);
    }
    return received_ == expected_;
  }

  const ServerList& list() const { return list_; }
  std::size_t dropped() const { return dropped_; }

 private:
  std::mt19937 random_{8};
  ServerList list_;
  ProbeSystem system_;
  std::shared_ptr<OutcomeQueue> queue_;
  std::size_t expected_ = 0;
  std::size_t received_ = 0;
  std::size_t dropped_ = 0;  // outcomes of entries removed or changed meanwhile
};

TEST(StatusStressTest, ChangesDuringSweepsLeaveEachEntryWithItsOwnStatus) {
  UiSide ui;
  for (int round = 0; round < 40; ++round) {
    ui.Sweep();
    for (int change = 0; change < 150; ++change) {
      ui.Change();
      ui.ApplyPosted();
      if (change % 30 == 0) std::this_thread::sleep_for(1ms);
    }
  }
  ASSERT_TRUE(ui.DrainAll());
  EXPECT_GT(ui.dropped(), 0u)
      << "no outcome met a changed entry: the sweeps did not overlap the changes";
  ui.Sweep();
  ASSERT_TRUE(ui.DrainAll());
  for (const ServerEntry& entry : ui.list()) {
    const ServerStatus expected =
        Accepts(ProbePort(entry.port)) ? ServerStatus::Online : ServerStatus::Offline;
    EXPECT_EQ(entry.status, expected) << entry.host << ":" << entry.port;
  }
}

}  // namespace
}  // namespace rdc
