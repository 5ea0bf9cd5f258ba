// Keeps an edit box's text within a number of GBK bytes (a double-byte
// character counts two), whatever the control's own unit is.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace rdc {

class GbkLengthLimit {
 public:
  GbkLengthLimit(HWND edit, std::size_t maxBytes);

  // Call on the edit box's EN_CHANGE: input that went over the limit is taken back.
  void OnChange();

 private:
  HWND edit_;
  std::size_t maxBytes_;
  std::wstring accepted_;
  DWORD acceptedSelection_ = 0;
};

}  // namespace rdc
