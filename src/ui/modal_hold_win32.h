// Messages a window holds back while a dialog or a box of the program is up
// (each disables the window): nothing but that modal window changes what the
// window shows, so the entries it works on stay where they are.
#pragma once

#include <windows.h>

#include <vector>

namespace rdc {

class ModalHold {
 public:
  // True when `window` is disabled and `message` was held back (once, however
  // often it came); it is posted again when the window is enabled.
  bool Hold(HWND window, UINT message);
  // The window's WM_ENABLE: once enabled, the held messages are posted again,
  // so they run after the operation that opened the modal window has ended.
  void OnEnable(HWND window, bool enabled);

 private:
  std::vector<UINT> held_;
};

}  // namespace rdc
