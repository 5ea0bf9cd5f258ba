// The steady clock the waits for a busy ms.ini run on.
#include "model/config_files.h"

#include <chrono>
#include <thread>

namespace rdc {
namespace {

class SteadyClock : public WaitClock {
 public:
  std::uint64_t NowMs() override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
  void Pause(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

WaitClock& SteadyWaitClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace rdc
