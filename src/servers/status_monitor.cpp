// One status sweep: host rule, port rule, look-ups on threads of their own,
// every connect started at once on one connector, the deadline, and applying
// outcomes to the entry they belong to.
#include "servers/status_monitor.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "servers/port_text.h"

namespace rdc {
namespace {

using Clock = std::chrono::steady_clock;

// How often a sweep looks for finished look-ups while sockets are connecting.
constexpr std::chrono::milliseconds kLookUpCheck{20};

// Where the look-up threads leave their answers for the sweep; it may be gone
// by the time a slow look-up ends, so they share this and nothing else.
struct LookUpInbox {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::pair<std::size_t, std::optional<IpAddress>>> answers;
};

bool SameEntry(const ServerEntry& entry, const ProbeTarget& target) {
  return entry.id == target.entryId;
}

}  // namespace

std::vector<ProbeTarget> PlanSweep(const ServerList& list) {
  std::vector<ProbeTarget> targets;
  targets.reserve(list.size());
  for (std::size_t index = 0; index < list.size(); ++index)
    targets.push_back({list[index].id, index, list[index].host, list[index].port});
  return targets;
}

int ApplyProbeOutcome(ServerList& list, const ProbeOutcome& outcome) {
  const ProbeTarget& target = outcome.target;
  if (list.empty()) return -1;
  // Removals move an entry to a lower index, so it is found at or below its
  // hint in a few steps; the rest of the list is looked through only for an
  // entry that is gone.
  std::size_t index = std::min(target.rowHint, list.size() - 1);
  std::optional<std::size_t> found;
  for (std::size_t i = index + 1; i-- > 0;)
    if (SameEntry(list[i], target)) {
      found = i;
      break;
    }
  for (std::size_t i = index + 1; !found && i < list.size(); ++i)
    if (SameEntry(list[i], target)) found = i;
  if (!found) return -1;
  ServerEntry& entry = list[*found];
  if (entry.host != target.host || entry.port != target.port) return -1;
  entry.status = outcome.online ? ServerStatus::Online : ServerStatus::Offline;
  return static_cast<int>(*found);
}

void RunSweep(std::vector<ProbeTarget> targets, const ProbeSystem& system,
              const OutcomeSink& sink) {
  const Clock::time_point deadline = Clock::now() + system.deadline;
  std::unique_ptr<ProbeConnector> connector = system.newConnector();
  auto inbox = std::make_shared<LookUpInbox>();

  std::vector<bool> reported(targets.size(), false);
  std::vector<IpAddress> addresses(targets.size());
  std::deque<std::size_t> unstarted;  // have an address, wait for a socket
  std::unordered_map<int, std::size_t> connecting;
  std::size_t lookingUp = 0;

  std::vector<ProbeOutcome> known;  // not yet handed to the sink
  auto report = [&](std::size_t i, bool online) {
    reported[i] = true;
    known.push_back({std::move(targets[i]), online});
  };
  auto handOver = [&] {
    if (!known.empty()) sink(std::exchange(known, {}));
  };
  auto beginUnstarted = [&] {
    while (!unstarted.empty()) {
      const std::size_t i = unstarted.front();
      const int attempt = connector->Begin(addresses[i], ProbePort(targets[i].port));
      if (attempt == ProbeConnector::kNoRoom) return;
      unstarted.pop_front();
      if (attempt == ProbeConnector::kFailed)
        report(i, false);
      else
        connecting[attempt] = i;
    }
  };

  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::string& host = targets[i].host;
    switch (ClassifyHost(host)) {
      case HostKind::Empty: report(i, false); break;
      case HostKind::DottedIpv4:
        addresses[i] = *DottedIpv4(host);
        unstarted.push_back(i);
        break;
      case HostKind::Ipv6Literal:
        addresses[i] = *Ipv6Literal(host);
        unstarted.push_back(i);
        break;
      case HostKind::Name:
        try {
          std::thread([inbox, lookUp = system.lookUp, host = LookUpText(host), i] {
            std::optional<IpAddress> address = ChooseProbeAddress(lookUp(host));
            std::lock_guard lock(inbox->mutex);
            inbox->answers.emplace_back(i, address);
            inbox->arrived.notify_one();
          }).detach();
          ++lookingUp;
        } catch (const std::system_error&) {
          report(i, false);  // no thread to look it up on: this attempt fails
        }
        break;
    }
  }
  beginUnstarted();
  handOver();

  while (!connecting.empty() || !unstarted.empty() || lookingUp > 0) {
    const Clock::time_point now = Clock::now();
    if (now >= deadline) break;
    std::vector<std::pair<std::size_t, std::optional<IpAddress>>> answers;
    {
      std::unique_lock lock(inbox->mutex);
      if (connecting.empty() && lookingUp > 0 && inbox->answers.empty()) {
        // Nothing else to wait for: sleep until a look-up answers.
        const auto until = unstarted.empty() ? deadline : std::min(deadline, now + kLookUpCheck);
        inbox->arrived.wait_until(lock, until, [&] { return !inbox->answers.empty(); });
      }
      answers.swap(inbox->answers);
    }
    for (auto& [i, address] : answers) {
      --lookingUp;
      if (!address) {
        report(i, false);
        continue;
      }
      addresses[i] = *address;
      unstarted.push_back(i);
    }
    beginUnstarted();
    if (!connecting.empty()) {
      auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (lookingUp > 0 || !unstarted.empty()) wait = std::min(wait, kLookUpCheck);
      for (const ProbeConnector::Ended& ended : connector->Wait(std::max(wait, {}))) {
        const auto it = connecting.find(ended.attempt);
        if (it == connecting.end()) continue;
        report(it->second, ended.connected);
        connecting.erase(it);
      }
    } else if (!unstarted.empty() && lookingUp == 0) {
      // Short of sockets with none of ours open: give the system a moment.
      std::this_thread::sleep_for(kLookUpCheck);
    }
    handOver();
  }
  connector.reset();  // the deadline: close what is still connecting
  for (std::size_t i = 0; i < targets.size(); ++i)
    if (!reported[i]) report(i, false);
  handOver();
}

void StartSweep(std::vector<ProbeTarget> targets, ProbeSystem system, OutcomeSink sink) {
  if (targets.empty()) return;
  try {
    std::thread([targets = std::move(targets), system = std::move(system),
                 sink = std::move(sink)]() mutable {
      RunSweep(std::move(targets), system, sink);
    }).detach();
  } catch (const std::system_error&) {
    // No thread now: the next tick tries again.
  }
}

}  // namespace rdc
