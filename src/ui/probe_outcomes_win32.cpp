// Status sweeps over the Windows probes whose outcomes go to a window.
#include "ui/probe_outcomes_win32.h"

#include "servers/tcp_probe_win32.h"
#include "ui/window_messages.h"

namespace rdc {

void StartProbeSweep(HWND window, const ServerList& list) {
  StartSweep(PlanSweep(list), Win32ProbeSystem(), [window](std::vector<ProbeOutcome> known) {
    auto posted = std::make_unique<std::vector<ProbeOutcome>>(std::move(known));
    // A window that is gone takes no message; the outcome is then dropped here.
    if (PostMessageW(window, kProbeOutcomeMessage, 0, reinterpret_cast<LPARAM>(posted.get())))
      posted.release();
  });
}

std::unique_ptr<std::vector<ProbeOutcome>> TakeProbeOutcomes(LPARAM lParam) {
  return std::unique_ptr<std::vector<ProbeOutcome>>(
      reinterpret_cast<std::vector<ProbeOutcome>*>(lParam));
}

}  // namespace rdc
