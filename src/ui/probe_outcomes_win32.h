// Status sweeps that report to a window: their outcomes are posted to it.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "model/server_list.h"
#include "servers/status_monitor.h"

namespace rdc {

// Starts status sweeps whose outcomes come back to a window.
class StatusSweeps {
 public:
  virtual ~StatusSweeps() = default;
  virtual void Start(HWND window, const ServerList& list) = 0;
};

// Starts a sweep over the list whose outcomes are posted to `window` as
// kProbeOutcomeMessage; lParam owns the outcomes that became known together.
void StartProbeSweep(HWND window, const ServerList& list);

std::unique_ptr<std::vector<ProbeOutcome>> TakeProbeOutcomes(LPARAM lParam);

// The status sweeps of the real program: Winsock probes, outcomes posted.
class ProbeSweeps : public StatusSweeps {
 public:
  void Start(HWND window, const ServerList& list) override { StartProbeSweep(window, list); }
};

}  // namespace rdc
