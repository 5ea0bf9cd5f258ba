// The texts a second start hands to the running copy with WM_COPYDATA: UTF-16
// strings, each ending in a NUL, one after another.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/hand_over_receiver_win32.h"

namespace rdc {

std::wstring PackHandOver(const std::vector<std::wstring>& texts);

// The texts of a hand-over of `kind`; none when the data is not one (another
// kind, a foreign message, a length that is not whole strings).
std::optional<std::vector<std::wstring>> UnpackHandOver(const COPYDATASTRUCT& data, ULONG_PTR kind);

// What second starts handed to this copy: names to connect to, files to import.
class HandedOver : public HandOverReceiver {
 public:
  bool Take(const COPYDATASTRUCT& data) override;
  Taken TakeAll() override;

 private:
  Taken taken_;
};

// Sends a hand-over of `kind` to `window` and waits at most 5 s for it to be
// taken; false when it was not.
bool SendHandOver(HWND window, ULONG_PTR kind, const std::vector<std::wstring>& texts);

}  // namespace rdc
