// Status sweeps: every entry's host and port tried at once, each attempt with a
// socket of its own and a deadline, and each outcome applied on the UI thread
// to the entry that was probed. The sockets come through a small connector.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/server_list.h"
#include "servers/probe_address.h"

namespace rdc {

// An attempt that has not connected by then counts as failed.
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
};

// One target per entry, in list order.
std::vector<ProbeTarget> PlanSweep(const ServerList& list);

// Sets the status of the probed entry, if it is still in the list with the
// same host and port; returns its 0-based row, or -1 when the outcome is dropped.
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

  virtual ~ProbeConnector() = default;  // closes the sockets still connecting

  // Opens a socket of the attempt's own and starts connecting without waiting.
  // Returns the attempt's number (0 or more), kFailed or kNoRoom.
  virtual int Begin(const IpAddress& address, std::uint16_t port) = 0;

  // Waits until at least one attempt ends or `wait` has passed; closes the
  // sockets of the attempts that ended and returns them.
  virtual std::vector<Ended> Wait(std::chrono::milliseconds wait) = 0;
};

struct ProbeSystem {
  std::function<std::unique_ptr<ProbeConnector>()> newConnector;
  // The addresses of a host name in the system's order; may block for long, so
  // each look-up runs on a thread of its own.
  std::function<std::vector<IpAddress>(const std::string& host)> lookUp;
  std::chrono::milliseconds deadline = kProbeDeadline;
};

// Receives the outcomes on the sweep's thread as soon as they are known, those
// that became known together in one call (a message each would overrun a
// window's queue at 10,000 rows).
using OutcomeSink = std::function<void(std::vector<ProbeOutcome>)>;

// Runs every attempt of one sweep at once and returns when each has an outcome,
// at the deadline at the latest.
void RunSweep(std::vector<ProbeTarget> targets, const ProbeSystem& system, const OutcomeSink& sink);

// RunSweep on a detached thread of its own; returns at once. Nothing is
// probed when the system has no thread to give.
void StartSweep(std::vector<ProbeTarget> targets, ProbeSystem system, OutcomeSink sink);

}  // namespace rdc
