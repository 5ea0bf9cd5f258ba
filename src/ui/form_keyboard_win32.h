// The keyboard rules the program's windows share: Esc closes the window,
// Enter clicks its default button (unless a multi-line edit box takes it; a
// combo box with its list dropped takes both, to close the list),
// Tab and Shift+Tab follow the window's focus order, the arrow keys move
// between the radio buttons of a group and select the one they reach. Space
// on a check box or a button is the control's own.
#pragma once

#include <windows.h>

#include <vector>

namespace rdc {

class FormKeyboard {
 public:
  FormKeyboard() = default;
  FormKeyboard(std::vector<int> focusOrder, int defaultButton)
      : focusOrder_(std::move(focusOrder)), defaultButton_(defaultButton) {}

  // Applies the rules to a key message about to be dispatched to a control of
  // `form`; true when it was handled and must not be dispatched.
  bool Translate(HWND form, const MSG& msg) const;

  // Moves the focus to the next (forward) or the previous control of the
  // focus order that is visible and enabled, wrapping at either end.
  void MoveFocus(HWND form, bool forward) const;

  // The controls of the focus order that can take the focus now, in order.
  std::vector<int> FocusableInOrder(HWND form) const;

 private:
  std::vector<int> focusOrder_;
  int defaultButton_ = 0;
};

}  // namespace rdc
