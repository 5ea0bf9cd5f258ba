// Status sweeps: every entry's host and port tried at once, each attempt with a
// socket of its own and a deadline, and each outcome applied on the UI thread
// to the entry that was probed. The sockets come through a small connector.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/server_list.h"
#include "probes/probe_address.h"

namespace rdc {

// An attempt that has not connected by then (from its start) counts as failed.
inline constexpr std::chrono::milliseconds kProbeDeadline{5000};

// What the UI thread hands one attempt: which entry, with the host and port
// texts it had when the sweep began.
struct ProbeTarget {
  std::uint64_t entryId = 0;
  std::size_t rowHint = 0;  // the entry's index when the sweep began
  std::string host;
  std::string port;
};

struct ProbeOutcome {
  ProbeTarget target;
  bool online = false;
  // From starting the attempt's connect to learning that it connected, in
  // whole milliseconds (steady clock); -1 when offline.
  int latencyMs = -1;
};

// One target per entry, in list order.
std::vector<ProbeTarget> PlanSweep(const ServerList& list);

// Sets the status and the latency of the probed entry, if it is still in the
// list with the same host and port; returns its 0-based row, or -1 when the outcome is dropped.
int ApplyProbeOutcome(ServerList& list, const ProbeOutcome& outcome);

// The sockets of one sweep; only the thread that runs the sweep uses it.
class ProbeConnector {
 public:
  static constexpr int kFailed = -1;  // the attempt failed at once
  static constexpr int kNoRoom = -2;  // no socket to spare now; try again when one is freed

  struct Ended {
    int attempt;
    bool connected;
  };

  virtual ~ProbeConnector() = default;  // closes every socket it opened

  // Opens a socket of the attempt's own and starts connecting without waiting.
  // Returns the attempt's number (0 or more), kFailed or kNoRoom.
  virtual int Begin(const IpAddress& address, std::uint16_t port) = 0;

  // Waits until at least one attempt ends or `wait` has passed and returns
  // the attempts that ended; their sockets are closed by the connector's end
  // at the latest.
  virtual std::vector<Ended> Wait(std::chrono::milliseconds wait) = 0;
};

// Runs `body` on a new thread that nobody waits for; throws what starting a
// thread throws (std::system_error, std::bad_alloc).
using ThreadStarter = std::function<void(std::function<void()> body)>;
void StartDetachedThread(std::function<void()> body);

// Where the answers of a sweep's name look-ups arrive: the name, and the
// address to probe (nothing when the look-up failed).
struct LookUpAnswers {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::pair<std::string, std::optional<IpAddress>>> answers;
};

// The name look-ups of every sweep, on a few threads shared by all of them. A
// look-up may block for long (a name server that does not answer), so a name
// is looked up at most once at a time: a sweep that asks for a name already
// waiting or being looked up gets that look-up's answer. The threads start
// when first needed and outlive the sweeps; nobody waits for them.
class NameLookUps {
 public:
  // The addresses of a host name in the system's order.
  using LookUp = std::function<std::vector<IpAddress>(const std::string& host)>;
  static constexpr std::size_t kThreads = 8;

  explicit NameLookUps(LookUp lookUp, std::size_t threads = kThreads,
                       ThreadStarter startThread = StartDetachedThread);
  // The threads end once their look-up has answered; the names still waiting are dropped.
  ~NameLookUps();
  NameLookUps(const NameLookUps&) = delete;
  NameLookUps& operator=(const NameLookUps&) = delete;

  // Queues a look-up of `name` unless one is waiting or running, and has its
  // answer put into `answers` if they still exist then. A thread that cannot
  // be started now is tried again at the next Ask; may throw std::bad_alloc.
  void Ask(const std::string& name, const std::shared_ptr<LookUpAnswers>& answers);

 private:
  struct Shared;
  static void Work(const std::shared_ptr<Shared>& shared);
  std::shared_ptr<Shared> shared_;
};

struct ProbeSystem {
  std::function<std::unique_ptr<ProbeConnector>()> newConnector;
  // Shared by every sweep; without it every name fails.
  std::shared_ptr<NameLookUps> lookUps;
  ThreadStarter startThread = StartDetachedThread;  // the thread of each sweep
  std::chrono::milliseconds deadline = kProbeDeadline;
};

// Receives the outcomes on the sweep's thread as soon as they are known, those
// that became known together in one call (a message each would overrun a
// window's queue at 10,000 rows).
using OutcomeSink = std::function<void(std::vector<ProbeOutcome>)>;

// Runs every attempt of one sweep at once, handing outcomes over while later
// connects are still being begun, and returns when each has an outcome: a
// connect fails at the deadline from its own start, a look-up or a wait for a
// socket at the deadline from the sweep's start.
void RunStatusSweep(std::vector<ProbeTarget> targets, const ProbeSystem& system,
                    const OutcomeSink& sink);

// RunStatusSweep on a detached thread of its own; returns at once and throws
// nothing. Nothing is probed when the system has no thread or memory to give.
void StartStatusSweep(std::vector<ProbeTarget> targets, ProbeSystem system, OutcomeSink sink);

}  // namespace rdc
