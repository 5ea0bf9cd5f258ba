// A change this copy could not save yet because another copy was saving
// ms.ini (it held the lock): the window keeps the change, shows it as unsaved
// and tries again every kSaveRetryPeriodMs, so the save goes through soon
// after the other copy is done. Only when the file has stayed busy for
// kSaveWaitBeforeAskingMs is the user asked whether to go on waiting.
#pragma once

#include <cstdint>

namespace rdc {

inline constexpr std::uint64_t kSaveRetryPeriodMs = 250;
inline constexpr std::uint64_t kSaveWaitBeforeAskingMs = 30000;

// Milliseconds from a fixed point, never going back.
class SaveClock {
 public:
  virtual ~SaveClock() = default;
  virtual std::uint64_t NowMs() = 0;
};

class PendingSave {
 public:
  // The save went through: nothing is unsaved.
  void Saved() { state_ = State::None; }
  // A save found the file busy at `now`. It is tried again from now on; the
  // wait before the user is asked runs from the first such save, not from
  // each retry, nor from each change made while it waits.
  void Busy(std::uint64_t now) {
    if (state_ != State::Retrying) since_ = now;
    state_ = State::Retrying;
  }
  // The user chose to go on waiting: a whole wait again before the next question.
  void WaitAgain(std::uint64_t now) { since_ = now; }
  // The save failed otherwise, or the user gave up waiting: the change stays
  // in memory and goes with the next save; no more tries until then.
  void Kept() { state_ = State::Kept; }

  bool unsaved() const { return state_ != State::None; }
  bool retrying() const { return state_ == State::Retrying; }
  // Whether the file has been busy long enough for the user to be asked.
  bool AskDue(std::uint64_t now) const {
    return retrying() && now - since_ >= kSaveWaitBeforeAskingMs;
  }

 private:
  enum class State { None, Retrying, Kept };
  State state_ = State::None;
  std::uint64_t since_ = 0;
};

}  // namespace rdc
