// When a change that found ms.ini busy is asked about: 30 s after the first
// save that found it busy, whatever was retried or changed meanwhile (the
// window's tests drive the box itself).
#include "model/pending_save.h"

#include <gtest/gtest.h>

#include <vector>

namespace rdc {
namespace {

TEST(PendingSaveTest, UserIsAskedOnceTheFileHasBeenBusyForTheWholeWait) {
  enum Event { Busy, Saved, Kept, WaitAgain };
  struct Step {
    Event event;
    std::uint64_t at;
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::uint64_t askedAt;  // AskDue is looked at then
    bool unsaved, retrying, askDue;
  };
  constexpr std::uint64_t t = 1'000'000;  // any start: only differences count
  constexpr std::uint64_t wait = kSaveWaitBeforeAskingMs;
  // clang-format off
  const Case cases[] = {
      {"retries do not restart the wait",
       {{Busy, t}, {Busy, t + 250}, {Busy, t + wait - 250}},
       t + wait, true, true, true},
      {"saved at last", {{Busy, t}, {Saved, t + 500}}, t + wait, false, false, false},
      {"waiting again, over", {{Busy, t}, {WaitAgain, t + wait}}, t + 2 * wait, true, true, true},
      {"a change after giving up waits anew",
       {{Busy, t}, {Kept, t + wait}, {Busy, t + 2 * wait}},
       t + 3 * wait - 1, true, true, false},
      {"a save that failed otherwise is kept", {{Kept, t}}, t + wait, true, false, false},
      {"busy after a fault: the wait starts there", {{Kept, t}, {Busy, t + wait}},
       t + 2 * wait - 1, true, true, false},
      {"saved, then busy again", {{Busy, t}, {Saved, t + 100}, {Busy, t + wait}},
       t + 2 * wait - 1, true, true, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    PendingSave pending;
    for (const Step& step : c.steps) {
      switch (step.event) {
        case Busy: pending.Busy(step.at); break;
        case Saved: pending.Saved(); break;
        case Kept: pending.Kept(); break;
        case WaitAgain: pending.WaitAgain(step.at); break;
      }
    }
    EXPECT_EQ(pending.unsaved(), c.unsaved) << c.what;
    EXPECT_EQ(pending.retrying(), c.retrying) << c.what;
    EXPECT_EQ(pending.AskDue(c.askedAt), c.askDue) << c.what;
  }
}

}  // namespace
}  // namespace rdc
