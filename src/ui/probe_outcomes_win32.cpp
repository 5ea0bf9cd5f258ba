// Status sweeps over the Windows probes whose outcomes go to a window.
#include "ui/probe_outcomes_win32.h"

#include <iterator>
#include <utility>

#include "probes/tcp_probe_win32.h"
#include "ui/window_messages.h"

namespace rdc {

void ProbeOutcomeQueue::Add(std::vector<ProbeOutcome> outcomes) {
  {
    std::lock_guard lock(mutex_);
    if (waiting_.empty()) {
      waiting_ = std::move(outcomes);
    } else {
      waiting_.insert(waiting_.end(), std::make_move_iterator(outcomes.begin()),
                      std::make_move_iterator(outcomes.end()));
    }
    if (told_ || waiting_.empty()) return;
    told_ = true;
  }
  // A window that is gone takes no message. When the window's message queue
  // is full, the next outcomes tell it again, or its next timer tick takes them.
  if (!PostMessageW(window_, kProbeOutcomeMessage, 0, 0)) {
    std::lock_guard lock(mutex_);
    told_ = false;
  }
}

std::vector<ProbeOutcome> ProbeOutcomeQueue::TakeAll() {
  std::lock_guard lock(mutex_);
  told_ = false;
  return std::exchange(waiting_, {});
}

void StartStatusSweep(const std::shared_ptr<ProbeOutcomeQueue>& queue, const ServerList& list) {
  try {
    StartStatusSweep(PlanSweep(list), Win32ProbeSystem(),
               [queue = std::weak_ptr<ProbeOutcomeQueue>(queue)](std::vector<ProbeOutcome> known) {
                 // The window's queue goes with the window; later outcomes are dropped.
                 if (const auto open = queue.lock()) open->Add(std::move(known));
               });
  } catch (...) {
    // No memory for the plan: the statuses stay as they are until the next tick.
  }
}

}  // namespace rdc
