// One status sweep: host rule, port rule, look-ups on the shared look-up
// threads, every connect started at once on one connector, the deadline, and
// applying outcomes to the entry they belong to.
#include "probes/status_monitor.h"

#include <algorithm>
#include <deque>
#include <map>
#include <thread>
#include <unordered_map>

#include "probes/port_text.h"

namespace rdc {
namespace {

using Clock = std::chrono::steady_clock;

// How often a sweep looks for finished look-ups while sockets are connecting.
constexpr std::chrono::milliseconds kLookUpCheck{20};

// The connects a sweep begins before it takes those that have ended and hands
// their outcomes over: at least this many, and at least as many as are still
// connecting. So the first rows show their status while thousands of others
// are still being begun, and hosts that never answer, which stay connecting,
// are looked at no more often than the sockets begun meanwhile justify.
constexpr std::size_t kBeginBatch = 256;

bool SameEntry(const ServerEntry& entry, const ProbeTarget& target) {
  return entry.id == target.entryId;
}

}  // namespace

void StartDetachedThread(std::function<void()> body) {
  std::thread(std::move(body)).detach();
}

struct NameLookUps::Shared {
  LookUp lookUp;
  std::size_t mostThreads;
  ThreadStarter startThread;

  std::mutex mutex;
  std::condition_variable work;
  std::deque<std::string> queue;  // names waiting for a thread, oldest first
  // Every name queued or being looked up, with the sweeps that wait for it.
  std::unordered_map<std::string, std::vector<std::weak_ptr<LookUpAnswers>>> waiting;
  std::size_t threads = 0;  // started and not ended
  std::size_t busy = 0;     // of those, looking up a name now
  bool closed = false;
};

NameLookUps::NameLookUps(LookUp lookUp, std::size_t threads, ThreadStarter startThread)
    : shared_(std::make_shared<Shared>()) {
  shared_->lookUp = std::move(lookUp);
  shared_->mostThreads = threads;
  shared_->startThread = std::move(startThread);
}

NameLookUps::~NameLookUps() {
  std::lock_guard lock(shared_->mutex);
  shared_->closed = true;
  shared_->work.notify_all();
}

void NameLookUps::Ask(const std::string& name, const std::shared_ptr<LookUpAnswers>& answers) {
  std::lock_guard lock(shared_->mutex);
  auto [it, fresh] = shared_->waiting.try_emplace(name);
  try {
    std::erase_if(it->second, [](const auto& sweep) { return sweep.expired(); });
    it->second.push_back(answers);
    if (fresh) shared_->queue.push_back(name);
  } catch (...) {
    if (fresh) shared_->waiting.erase(it);  // a name that is waiting is always queued
    throw;
  }
  if (fresh) shared_->work.notify_one();
  // One more thread when the idle ones cannot take every queued name.
  const std::size_t idle = shared_->threads - shared_->busy;
  if (shared_->queue.size() > idle && shared_->threads < shared_->mostThreads) {
    try {
      shared_->startThread([shared = shared_] { Work(shared); });
      ++shared_->threads;
    } catch (...) {
      // No thread now: the name waits for one, the sweep for its deadline.
    }
  }
}

void NameLookUps::Work(const std::shared_ptr<Shared>& shared) {
  for (;;) {
    std::string name;
    {
      std::unique_lock lock(shared->mutex);
      shared->work.wait(lock, [&] { return shared->closed || !shared->queue.empty(); });
      if (shared->closed) {
        --shared->threads;
        return;
      }
      name = std::move(shared->queue.front());
      shared->queue.pop_front();
      ++shared->busy;
    }
    std::optional<IpAddress> address;
    try {
      address = ChooseProbeAddress(shared->lookUp(name));
    } catch (...) {
      // A look-up that could not be made fails like one that found nothing.
    }
    std::vector<std::weak_ptr<LookUpAnswers>> sweeps;
    {
      std::lock_guard lock(shared->mutex);
      --shared->busy;
      const auto it = shared->waiting.find(name);
      sweeps = std::move(it->second);
      shared->waiting.erase(it);
    }
    for (const std::weak_ptr<LookUpAnswers>& sweep : sweeps) {
      const std::shared_ptr<LookUpAnswers> answers = sweep.lock();
      if (!answers) continue;  // that sweep has ended
      std::lock_guard lock(answers->mutex);
      try {
        answers->answers.emplace_back(name, address);
      } catch (...) {
        continue;  // no memory: that sweep's rows fail at its deadline
      }
      answers->arrived.notify_one();
    }
  }
}

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
  entry.latencyMs = outcome.online ? outcome.latencyMs : -1;
  return static_cast<int>(*found);
}

void RunStatusSweep(std::vector<ProbeTarget> targets, const ProbeSystem& system,
                    const OutcomeSink& sink) {
  // Look-ups and sockets are waited for until then; each connect has the same
  // time from its own start, so a connect begun late in a long list is not
  // failed for the time the others took to begin.
  const Clock::time_point waitsEnd = Clock::now() + system.deadline;
  std::unique_ptr<ProbeConnector> connector = system.newConnector();
  auto inbox = std::make_shared<LookUpAnswers>();

  std::vector<bool> reported(targets.size(), false);
  std::vector<IpAddress> addresses(targets.size());
  std::deque<std::size_t> unstarted;  // have an address, wait for a socket
  struct Connecting {
    std::size_t row;
    Clock::time_point begun;
  };
  std::unordered_map<int, Connecting> connecting;
  std::deque<int> oldestFirst;  // the attempts in the order they began; some have ended
  std::map<std::string, std::vector<std::size_t>> rowsOfName;  // each name asked once
  std::size_t lookingUp = 0;                                   // names not answered yet

  std::vector<ProbeOutcome> known;  // not yet handed to the sink
  auto report = [&](std::size_t i, bool online, int latencyMs = -1) {
    reported[i] = true;
    known.push_back({std::move(targets[i]), online, online ? latencyMs : -1});
  };
  auto handOver = [&] {
    if (!known.empty()) sink(std::exchange(known, {}));
  };
  // Begins a batch of the attempts that wait for a socket; false when the
  // system had no socket to spare.
  auto beginUnstarted = [&] {
    const std::size_t batch = std::max(kBeginBatch, connecting.size());
    for (std::size_t begun = 0; begun < batch && !unstarted.empty(); ++begun) {
      const std::size_t i = unstarted.front();
      const Clock::time_point begunAt = Clock::now();
      const int attempt = connector->Begin(addresses[i], ProbePort(targets[i].port));
      if (attempt == ProbeConnector::kNoRoom) return false;
      unstarted.pop_front();
      if (attempt == ProbeConnector::kFailed) {
        report(i, false);
      } else {
        connecting[attempt] = {i, begunAt};
        oldestFirst.push_back(attempt);
      }
    }
    return true;
  };
  // When the oldest attempt still connecting reaches the deadline.
  auto nextExpiry = [&] {
    for (; !oldestFirst.empty(); oldestFirst.pop_front()) {
      const auto it = connecting.find(oldestFirst.front());
      if (it != connecting.end()) return it->second.begun + system.deadline;
    }
    return Clock::time_point::max();
  };
  // Fails the attempts that have been connecting for the deadline by `now`.
  auto failExpired = [&](Clock::time_point now) {
    for (; nextExpiry() <= now; oldestFirst.pop_front()) {
      const auto it = connecting.find(oldestFirst.front());
      report(it->second.row, false);
      connecting.erase(it);
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
      case HostKind::Name: rowsOfName[LookUpText(host)].push_back(i); break;
    }
  }
  for (const auto& [name, rows] : rowsOfName) {
    bool asked = false;
    try {
      if (system.lookUps) system.lookUps->Ask(name, inbox);
      asked = system.lookUps != nullptr;
    } catch (...) {
      // No memory to queue it: these attempts fail.
    }
    if (asked)
      ++lookingUp;
    else
      for (std::size_t i : rows) report(i, false);
  }
  handOver();

  bool shortOfRoom = false;
  while (!connecting.empty() || !unstarted.empty() || lookingUp > 0) {
    const Clock::time_point now = Clock::now();
    if (now >= waitsEnd) {
      // The names not answered by now fail at the end, and so do the rows
      // still waiting for a socket.
      lookingUp = 0;
      if (shortOfRoom) unstarted.clear();
    }
    std::vector<std::pair<std::string, std::optional<IpAddress>>> answers;
    if (lookingUp > 0) {
      std::unique_lock lock(inbox->mutex);
      const bool moreToBegin = !unstarted.empty() && !shortOfRoom;
      if (connecting.empty() && !moreToBegin && inbox->answers.empty()) {
        // Nothing else to wait for: sleep until a look-up answers.
        const auto until = unstarted.empty() ? waitsEnd : std::min(waitsEnd, now + kLookUpCheck);
        inbox->arrived.wait_until(lock, until, [&] { return !inbox->answers.empty(); });
      }
      answers.swap(inbox->answers);
    }
    for (const auto& [name, address] : answers) {
      const auto rows = rowsOfName.find(name);
      if (rows == rowsOfName.end() || rows->second.empty()) continue;
      --lookingUp;
      for (std::size_t i : std::exchange(rows->second, {})) {
        if (!address) {
          report(i, false);
          continue;
        }
        addresses[i] = *address;
        unstarted.push_back(i);
      }
    }
    shortOfRoom = !beginUnstarted();
    if (!connecting.empty()) {
      Clock::time_point until = nextExpiry();
      if (lookingUp > 0 || shortOfRoom) until = std::min(until, Clock::now() + kLookUpCheck);
      // More to begin: take what has ended and go on beginning.
      if (!unstarted.empty() && !shortOfRoom) until = Clock::now();
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
      const std::vector<ProbeConnector::Ended> endedNow =
          connector->Wait(std::max(wait, std::chrono::milliseconds{0}));
      const Clock::time_point learnt = Clock::now();
      for (const ProbeConnector::Ended& ended : endedNow) {
        const auto it = connecting.find(ended.attempt);
        if (it == connecting.end()) continue;
        const auto took = std::chrono::round<std::chrono::milliseconds>(learnt - it->second.begun);
        report(it->second.row, ended.connected, static_cast<int>(took.count()));
        connecting.erase(it);
      }
      // Those the connector has not told of are failed only now: a connect
      // that ended in time is not failed for the time taken to learn of it.
      failExpired(learnt);
    } else if (shortOfRoom && lookingUp == 0) {
      // Short of sockets with none of ours open: give the system a moment.
      std::this_thread::sleep_for(kLookUpCheck);
    }
    handOver();
  }
  connector.reset();  // close what is still connecting
  for (std::size_t i = 0; i < targets.size(); ++i)
    if (!reported[i]) report(i, false);
  handOver();
}

void StartStatusSweep(std::vector<ProbeTarget> targets, ProbeSystem system, OutcomeSink sink) {
  if (targets.empty()) return;
  try {
    struct Sweep {
      std::vector<ProbeTarget> targets;
      ProbeSystem system;
      OutcomeSink sink;
    };
    auto sweep =
        std::make_shared<Sweep>(Sweep{std::move(targets), std::move(system), std::move(sink)});
    sweep->system.startThread([sweep] {
      try {
        RunStatusSweep(std::move(sweep->targets), sweep->system, sweep->sink);
      } catch (...) {
        // Out of memory midway: the rows not reported keep their status until the next sweep.
      }
    });
  } catch (...) {
    // No thread or no memory now: the next tick tries again.
  }
}

}  // namespace rdc
