// What second starts of the program hand to the running copy with
// WM_COPYDATA: the window that gets the message (the main window, or the
// start-up prompt before there is one) gives it to Take; the main window asks
// for what was taken once it may carry it out.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rdc {

class HandOverReceiver {
 public:
  virtual ~HandOverReceiver() = default;

  // True when `data` was a hand-over, now kept.
  virtual bool Take(const COPYDATASTRUCT& data) = 0;

  struct Taken {
    std::vector<std::wstring> names;  // to connect to
    std::vector<std::wstring> files;  // to import
  };
  // What was taken since the last call, once.
  virtual Taken TakeAll() = 0;
};

}  // namespace rdc
