// Status sweeps over an imagined network: every attempt starts at once, none
// waits for another, the deadline fails silent hosts, names are looked up off
// the sweep, and outcomes land only on the entry that was probed.
#include "servers/status_monitor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
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

  void Run(std::vector<ProbeTarget> targets, ProbeSystem system) {
    auto log = this->log;
    if (!system.newConnector)
      system.newConnector = [log] { return std::make_unique<FakeConnector>(ByPort, log); };
    RunSweep(std::move(targets), system, [this](std::vector<ProbeOutcome> known) {
      outcomes.insert(outcomes.end(), known.begin(), known.end());
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
  system.lookUp = [v6, released](const std::string& host) -> std::vector<IpAddress> {
    if (host == "both.example") return {v6, Ipv4(10, 0, 0, 1)};
    if (host == "v6only.example") return {v6};
    if (host == "stuck.example") released.wait();  // a look-up that outlives the sweep
    return {};
  };
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
  system.lookUp = [v6](const std::string& host) -> std::vector<IpAddress> {
    if (host == "fe80::1%3") return {v6};
    return {Ipv4(10, 0, 0, 1)};
  };
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
  for (int i = 0; i < 7; ++i) targets.push_back(Target("10.0.0.1", std::to_string(110 + i)));
  sweep.Run(targets, system);
  ASSERT_EQ(sweep.outcomes.size(), 7u);
  for (const ProbeOutcome& o : sweep.outcomes) EXPECT_TRUE(o.online) << o.target.port;
  EXPECT_EQ(sweep.log->mostOpen, 2u);
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
    const int row = ApplyProbeOutcome(list, {targets[1], true});
    EXPECT_EQ(row, c.expectedRow);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const ServerStatus expected =
          int(i) == c.expectedRow ? ServerStatus::Online : before[i].status;
      EXPECT_EQ(list[i].status, expected) << "row " << i;
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
