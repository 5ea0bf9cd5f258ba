// The system's tick count as the clock of unsaved changes.
#include "model/shared_config_win32.h"

#include <windows.h>

namespace rdc {
namespace {

class TickClock : public SaveClock {
 public:
  std::uint64_t NowMs() override { return GetTickCount64(); }
};

}  // namespace

SaveClock& SystemSaveClock() {
  static TickClock clock;
  return clock;
}

}  // namespace rdc
