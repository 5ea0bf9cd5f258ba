// Status sweeps over an imagined network: every attempt starts at once, none
// waits for another, the deadline fails silent hosts, names are looked up off
// the sweep, and outcomes land only on the entry that was probed.
#include "probes/status_monitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "fake_probe_connector.h"

namespace rdc {
namespace {

using namespace std::chrono_literals;
using test::ConnectorLog;
using test::FakeAnswer;
using test::FakeConnector;

// The port says what happens: 1xx connects, 3xx is silent, any other is
// refused; the last two digits are the milliseconds it takes.
FakeAnswer ByPort(const IpAddress&, std::uint16_t port) {
  const auto after = std::chrono::milliseconds(port % 100);
  if (port >= 300) return {false, after, true};
  return {port >= 100 && port < 200, after};
}

ServerEntry Entry(std::string host, std::string port) {
  ServerEntry entry;
  entry.host = std::move(host);
  entry.port = std::move(port);
  return entry;
}

ProbeTarget Target(std::string host, std::string port) {
  static std::uint64_t id = 1000;
  return {++id, 0, std::move(host), std::move(port)};
}

struct Sweep {
  std::shared_ptr<ConnectorLog> log = std::make_shared<ConnectorLog>();
  std::vector<ProbeOutcome> outcomes;  // in the order they came
  std::function<void()> onOutcomes = [] {};

  void Run(std::vector<ProbeTarget> targets, ProbeSystem system) {
    auto log = this->log;
    if (!system.newConnector)
      system.newConnector = [log] { return std::make_unique<FakeConnector>(ByPort, log); };
    RunStatusSweep(std::move(targets), system, [this](std::vector<ProbeOutcome> known) {
      outcomes.insert(outcomes.end(), known.begin(), known.end());
      onOutcomes();
    });
  }
  // "online", "offline", or "none" when the host had no outcome; outcomes of a host in order.
  std::string Of(const std::string& host) const {
    for (const ProbeOutcome& o : outcomes)
      if (o.target.host + ":" + o.target.port == host) return o.online ? "online" : "offline";
    return "none";
  }
  int Position(const std::string& host) const {
    for (std::size_t i = 0; i < outcomes.size(); ++i)
      if (outcomes[i].target.host + ":" + outcomes[i].target.port == host) return int(i);
    return -1;
  }
};

TEST(RunSweepTest, EveryAttemptStartsAtOnceAndNoneWaitsForAnother) {
  Sweep sweep;
  ProbeSystem system;
  system.deadline = 300ms;
  const auto start = std::chrono::steady_clock::now();
  sweep.Run({Target("10.0.0.1", "300"), Target("10.0.0.1", "180"), Target("10.0.0.1", "100"),
             Target("10.0.0.1", "200"), Target("", "100"), Target("10.0.0.1", "rdp")},
            system);
  const auto took = std::chrono::steady_clock::now() - start;

  ASSERT_EQ(sweep.outcomes.size(), 6u);
  EXPECT_EQ(sweep.Of("10.0.0.1:300"), "offline");  // silent: failed at the deadline
  EXPECT_EQ(sweep.Of("10.0.0.1:180"), "online");   // slow, but within the deadline
  EXPECT_EQ(sweep.Of("10.0.0.1:100"), "online");
  EXPECT_EQ(sweep.Of("10.0.0.1:200"), "offline");
  EXPECT_EQ(sweep.Of(":100"), "offline");          // an empty host fails without a connect
  EXPECT_EQ(sweep.Of("10.0.0.1:rdp"), "offline");  // port 1 here: refused
  // Five connects began before the sweep first waited; the silent first row
  // held back nobody.
  ASSERT_FALSE(sweep.log->begunAtWait.empty());
  EXPECT_EQ(sweep.log->begunAtWait.front(), 5u);
  EXPECT_EQ(sweep.log->begun[0].port, 300);
  // The time to connect, from the attempt's start to the answer; none when offline.
  const int tookMs = int(std::chrono::ceil<std::chrono::milliseconds>(took).count());
  int latency100 = -1, latency180 = -1;
  for (const ProbeOutcome& o : sweep.outcomes) {
    if (o.target.port == "180") {
      latency180 = o.latencyMs;
    } else if (o.target.port == "100" && !o.target.host.empty()) {
      latency100 = o.latencyMs;
    } else {
      EXPECT_EQ(o.latencyMs, -1) << o.target.host << ":" << o.target.port;
    }
  }
  EXPECT_GE(latency100, 0);
  EXPECT_LE(latency100, latency180);
  EXPECT_GE(latency180, 80);  // it answers 80 ms after its start
  EXPECT_LE(latency180, tookMs);
  EXPECT_LT(sweep.Position("10.0.0.1:100"), sweep.Position("10.0.0.1:180"));
  EXPECT_LT(sweep.Position("10.0.0.1:180"), sweep.Position("10.0.0.1:300"));
  EXPECT_GE(took, system.deadline);
}

TEST(RunSweepTest, NamesAreLookedUpOffTheSweepIpv4FirstThenIpv6) {
  IpAddress v6;
  v6.family = IpAddress::Family::V6;
  v6.bytes[15] = 1;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ProbeSystem system;
  system.deadline = 300ms;
  system.lookUps = std::make_shared<NameLookUps>(
      [v6, released](const std::string& host) -> std::vector<IpAddress> {
        if (host == "both.example") return {v6, Ipv4(10, 0, 0, 1)};
        if (host == "v6only.example") return {v6};
        if (host == "stuck.example") released.wait();  // a look-up that outlives the sweep
        return {};
      });
  Sweep sweep;
  sweep.Run({Target("stuck.example", "100"), Target("both.example", "100"),
             Target("v6only.example", "150"), Target("nowhere.example", "100")},
            system);
  release.set_value();

  EXPECT_EQ(sweep.Of("both.example:100"), "online");
  EXPECT_EQ(sweep.Of("v6only.example:150"), "online");
  EXPECT_EQ(sweep.Of("nowhere.example:100"), "offline");
  EXPECT_EQ(sweep.Of("stuck.example:100"), "offline");
  ASSERT_EQ(sweep.log->begun.size(), 2u);
  for (const ConnectorLog::Begun& begun : sweep.log->begun)
    EXPECT_EQ(begun.address, begun.port == 100 ? Ipv4(10, 0, 0, 1) : v6);
}

TEST(RunSweepTest, Ipv6LiteralsAreProbedWithoutLookUpBracketedOrBare) {
  IpAddress v6;
  v6.family = IpAddress::Family::V6;
  v6.bytes[15] = 1;
  ProbeSystem system;
  // A literal that reached the look-up would be probed at 10.0.0.1; a zone is
  // the system's to read, without the brackets.
  system.lookUps =
      std::make_shared<NameLookUps>([v6](const std::string& host) -> std::vector<IpAddress> {
        if (host == "fe80::1%3") return {v6};
        return {Ipv4(10, 0, 0, 1)};
      });
  Sweep sweep;
  sweep.Run({Target("::1", "100"), Target("[::1]", "150"), Target("[fe80::1%3]", "160")}, system);
  EXPECT_EQ(sweep.Of("::1:100"), "online");
  EXPECT_EQ(sweep.Of("[::1]:150"), "online");
  EXPECT_EQ(sweep.Of("[fe80::1%3]:160"), "online");
  ASSERT_EQ(sweep.log->begun.size(), 3u);
  for (const ConnectorLog::Begun& begun : sweep.log->begun) EXPECT_EQ(begun.address, v6);
}

TEST(RunSweepTest, AttemptsTheSystemHasNoRoomForStartAsSocketsFree) {
  Sweep sweep;
  ProbeSystem system;
  system.newConnector = [log = sweep.log] {
    return std::make_unique<FakeConnector>(ByPort, log, 2);
  };
  std::vector<ProbeTarget> targets;
  targets.reserve(7);
  for (int i = 0; i < 7; ++i) targets.push_back(Target("10.0.0.1", std::to_string(110 + i)));
  sweep.Run(targets, system);
  ASSERT_EQ(sweep.outcomes.size(), 7u);
  for (const ProbeOutcome& o : sweep.outcomes) EXPECT_TRUE(o.online) << o.target.port;
  EXPECT_EQ(sweep.log->mostOpen, 2u);
}

TEST(RunSweepTest, OutcomesAreHandedOverWhileLaterConnectsAreStillBeginning) {
  // How many connects had begun each time the sweep took the ended ones, until
  // all had: hosts that answer at once are taken every batch, hosts that never
  // answer pile up and are looked at after twice as many each time.
  const struct {
    const char* port;
    std::vector<std::size_t> begunAtWait;
  } cases[] = {
      {"200", {256, 512, 768, 1024, 1280, 1536, 1792, 2000}},  // refused at once
      {"300", {256, 512, 1024, 2000}},                         // silent
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port);
    Sweep sweep;
    std::size_t begunAtFirstOutcome = 0;
    sweep.onOutcomes = [&] {
      if (begunAtFirstOutcome == 0) begunAtFirstOutcome = sweep.log->begun.size();
    };
    ProbeSystem system;
    system.deadline = 200ms;
    std::vector<ProbeTarget> targets;
    targets.reserve(2000);
    for (int i = 0; i < 2000; ++i) targets.push_back(Target("10.0.0.1", c.port));
    sweep.Run(targets, system);

    ASSERT_EQ(sweep.outcomes.size(), 2000u);
    for (const ProbeOutcome& o : sweep.outcomes) EXPECT_FALSE(o.online);
    std::vector<std::size_t> untilAllBegun;
    for (std::size_t begun : sweep.log->begunAtWait) {
      untilAllBegun.push_back(begun);
      if (begun == 2000) break;
    }
    EXPECT_EQ(untilAllBegun, c.begunAtWait);
    // Refused rows are told of before the last connect begins; silent ones at the deadline.
    EXPECT_EQ(begunAtFirstOutcome, std::string(c.port) == "200" ? 256u : 2000u);
  }
}

TEST(RunSweepTest, EachConnectHasTheDeadlineFromItsOwnStart) {
  // Beginning the connects of a long list may take longer than the deadline
  // (a loaded machine); a host that answers soon after its connect began is
  // online however late that was.
  Sweep sweep;
  ProbeSystem system;
  system.deadline = 100ms;
  system.newConnector = [log = sweep.log] {
    return std::make_unique<FakeConnector>(
        [](const IpAddress&, std::uint16_t port) {
          std::this_thread::sleep_for(1ms);  // each connect takes a while to begin
          return port == 300 ? FakeAnswer{false, 0ms, true} : FakeAnswer{true, 5ms};
        },
        log);
  };
  std::vector<ProbeTarget> targets;
  targets.reserve(301);
  for (int i = 0; i < 300; ++i) targets.push_back(Target("10.0.0.1", "110"));
  targets.push_back(Target("10.0.0.1", "300"));
  const auto start = std::chrono::steady_clock::now();
  sweep.Run(targets, system);
  ASSERT_EQ(sweep.outcomes.size(), 301u);
  for (const ProbeOutcome& o : sweep.outcomes) EXPECT_EQ(o.online, o.target.port == "110");
  // The silent host, begun last, had its whole deadline.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms + system.deadline);
}

TEST(NameLookUpsTest, ANameBeingLookedUpIsNotAskedAgainAndALaterSweepGetsItsAnswer) {
  auto calls = std::make_shared<std::atomic<int>>(0);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ProbeSystem system;
  system.deadline = 100ms;
  system.lookUps = std::make_shared<NameLookUps>([calls, released](const std::string&) {
    ++*calls;
    released.wait();  // a name server that answers late
    return std::vector<IpAddress>{Ipv4(10, 0, 0, 1)};
  });
  Sweep first;
  first.Run({Target("slow.example", "100"), Target("slow.example", "101")}, system);
  EXPECT_EQ(first.Of("slow.example:100"), "offline");  // its bound passed first
  EXPECT_EQ(first.Of("slow.example:101"), "offline");

  // The look-up answers while the next sweep waits for it, not asked again.
  system.deadline = 10s;
  Sweep second;
  second.onOutcomes = [&, once = std::make_shared<std::once_flag>()] {
    std::call_once(*once, [&] { release.set_value(); });
  };
  second.Run({Target("", "1"), Target("slow.example", "102")}, system);
  EXPECT_EQ(second.Of("slow.example:102"), "online");
  EXPECT_EQ(*calls, 1);
}

TEST(NameLookUpsTest, AtMostEightNamesAreLookedUpAtOnce) {
  struct Gate {
    std::mutex mutex;
    int now = 0, most = 0;
  };
  auto gate = std::make_shared<Gate>();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ProbeSystem system;
  system.deadline = 100ms;
  system.lookUps = std::make_shared<NameLookUps>([gate, released](const std::string&) {
    {
      std::lock_guard lock(gate->mutex);
      gate->most = std::max(gate->most, ++gate->now);
    }
    released.wait();
    std::lock_guard lock(gate->mutex);
    --gate->now;
    return std::vector<IpAddress>{};
  });
  std::vector<ProbeTarget> targets;
  targets.reserve(20);
  for (int i = 0; i < 20; ++i) targets.push_back(Target("n" + std::to_string(i) + ".example", "1"));
  Sweep sweep;
  sweep.Run(targets, system);
  EXPECT_EQ(sweep.outcomes.size(), 20u);
  auto most = [&] {
    std::lock_guard lock(gate->mutex);
    return gate->most;
  };
  for (int wait = 0; wait < 500 && most() < 8; ++wait) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(most(), 8);
  release.set_value();
}

TEST(StartSweepTest, NoExceptionFromStartingWorkEndsTheProgram) {
  const std::exception_ptr thrown[] = {
      std::make_exception_ptr(std::bad_alloc()),
      std::make_exception_ptr(
          std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again))),
      std::make_exception_ptr(std::runtime_error("any"))};
  for (const std::exception_ptr& error : thrown) {
    const ThreadStarter failing = [error](const std::function<void()>&) {
      std::rethrow_exception(error);
    };
    // No thread for the sweep: nothing is probed.
    ProbeSystem system;
    system.startThread = failing;
    bool reported = false;
    StartStatusSweep({Target("10.0.0.1", "100")}, system, [&](auto) { reported = true; });
    EXPECT_FALSE(reported);

    // No thread for a look-up, or a look-up that throws: the name fails, the rest is probed.
    for (const auto& lookUps :
         {std::make_shared<NameLookUps>([](const std::string&) { return std::vector<IpAddress>{}; },
                                        NameLookUps::kThreads, failing),
          std::make_shared<NameLookUps>([error](const std::string&) {
            std::rethrow_exception(error);
            return std::vector<IpAddress>{};
          })}) {
      system.lookUps = lookUps;
      system.deadline = 100ms;
      Sweep sweep;
      sweep.Run({Target("name.example", "100"), Target("10.0.0.1", "100")}, system);
      EXPECT_EQ(sweep.Of("name.example:100"), "offline");
      EXPECT_EQ(sweep.Of("10.0.0.1:100"), "online");
    }
  }
}

TEST(ApplyProbeOutcomeTest, LandsOnlyOnTheEntryThatWasProbed) {
  struct Case {
    const char* name;
    std::function<void(ServerList&)> meanwhile;  // what the UI did during the attempt
    int expectedRow;
  };
  const Case cases[] = {
      {"unchanged", [](ServerList&) {}, 1},
      {"status only changed", [](ServerList& l) { l[1].status = ServerStatus::Offline; }, 1},
      {"account edited", [](ServerList& l) { l[1].account = "other"; }, 1},
      {"earlier entry removed", [](ServerList& l) { l.erase(l.begin()); }, 0},
      {"entry appended", [](ServerList& l) { l.push_back(Entry("h", "1")); }, 1},
      {"entry removed", [](ServerList& l) { l.erase(l.begin() + 1); }, -1},
      {"entry removed, new one in its row",
       [](ServerList& l) {
         l.erase(l.begin() + 1);
         l.push_back(Entry("10.0.0.2", "3389"));
       },
       -1},
      {"host edited", [](ServerList& l) { l[1].host = "10.0.0.9"; }, -1},
      {"port edited", [](ServerList& l) { l[1].port = "3390"; }, -1},
      {"list emptied", [](ServerList& l) { l.clear(); }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ServerList list{Entry("10.0.0.1", "3389"), Entry("10.0.0.2", "3389"),
                    Entry("10.0.0.3", "3389")};
    const std::vector<ProbeTarget> targets = PlanSweep(list);
    c.meanwhile(list);
    const ServerList before = list;
    const int row = ApplyProbeOutcome(list, {targets[1], true, 42});
    EXPECT_EQ(row, c.expectedRow);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const bool applied = int(i) == c.expectedRow;
      EXPECT_EQ(list[i].status, applied ? ServerStatus::Online : before[i].status) << "row " << i;
      EXPECT_EQ(list[i].latencyMs, applied ? 42 : before[i].latencyMs) << "row " << i;
    }
    // Offline: no latency, whatever the outcome carries.
    if (c.expectedRow >= 0) {
      ApplyProbeOutcome(list, {targets[1], false, 42});
      EXPECT_EQ(list[static_cast<std::size_t>(c.expectedRow)].latencyMs, -1);
    }
  }
}

TEST(PlanSweepTest, CopiesWhichEntryAndItsHostAndPort) {
  ServerList list{Entry("a", "1"), Entry("b", "2")};
  const ServerEntry copy = list[1];
  EXPECT_EQ(copy.id, list[1].id);
  EXPECT_NE(list[0].id, list[1].id);
  const std::vector<ProbeTarget> targets = PlanSweep(list);
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[1].entryId, list[1].id);
  EXPECT_EQ(targets[1].rowHint, 1u);
  EXPECT_EQ(targets[1].host, "b");
  EXPECT_EQ(targets[1].port, "2");
}

}  // namespace
}  // namespace rdc
