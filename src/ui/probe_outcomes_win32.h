// Status sweeps that report to a window: their outcomes wait in a queue the
// window owns, and the window is told by a message that there are some.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

#include "model/server_list.h"
#include "probes/status_monitor.h"

namespace rdc {

// The outcomes on their way to one window. Sweeps add them from their threads;
// the window takes them all when kProbeOutcomeMessage comes. The message
// carries nothing (any program may send that number) and is posted once until
// the window has taken what waits, however many outcomes come meanwhile.
class ProbeOutcomeQueue {
 public:
  explicit ProbeOutcomeQueue(HWND window) : window_(window) {}
  ~ProbeOutcomeQueue() = default;
  ProbeOutcomeQueue(const ProbeOutcomeQueue&) = delete;
  ProbeOutcomeQueue& operator=(const ProbeOutcomeQueue&) = delete;

  // Any thread.
  void Add(std::vector<ProbeOutcome> outcomes);
  // The window's thread: every outcome added since the last call, oldest first.
  std::vector<ProbeOutcome> TakeAll();

 private:
  const HWND window_;
  std::mutex mutex_;
  std::vector<ProbeOutcome> waiting_;
  bool told_ = false;  // a message is on its way and the window has not taken since
};

// The period of the status sweeps: the main window's timer 时钟1 starts one every 10 s.
inline constexpr UINT kSweepPeriodMs = 10000;

// Starts status sweeps whose outcomes go to a window's queue.
class StatusSweeps {
 public:
  virtual ~StatusSweeps() = default;
  virtual void Start(const std::shared_ptr<ProbeOutcomeQueue>& queue, const ServerList& list) = 0;
  // How often the window starts one.
  virtual UINT PeriodMs() const { return kSweepPeriodMs; }
};

// Starts a sweep over the list whose outcomes go to `queue` while it exists.
// A sweep that cannot start now (no thread, no memory) leaves every status as
// it is; the next tick tries again.
void StartStatusSweep(const std::shared_ptr<ProbeOutcomeQueue>& queue, const ServerList& list);

// The status sweeps of the real program: Winsock probes. A shorter period
// than the program's is for the soak benchmark alone.
class SystemStatusSweeps : public StatusSweeps {
 public:
  explicit SystemStatusSweeps(UINT periodMs = kSweepPeriodMs) : periodMs_(periodMs) {}
  void Start(const std::shared_ptr<ProbeOutcomeQueue>& queue, const ServerList& list) override {
    StartStatusSweep(queue, list);
  }
  UINT PeriodMs() const override { return periodMs_; }

 private:
  UINT periodMs_;
};

}  // namespace rdc
