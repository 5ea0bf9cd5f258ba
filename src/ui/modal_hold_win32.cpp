#include "ui/modal_hold_win32.h"

#include <algorithm>
#include <utility>

namespace rdc {

bool ModalHold::Hold(HWND window, UINT message) {
  if (IsWindowEnabled(window)) return false;
  if (std::find(held_.begin(), held_.end(), message) == held_.end()) held_.push_back(message);
  return true;
}

void ModalHold::OnEnable(HWND window, bool enabled) {
  if (!enabled) return;
  for (const UINT message : std::exchange(held_, {})) PostMessageW(window, message, 0, 0);
}

}  // namespace rdc
