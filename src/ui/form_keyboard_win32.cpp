// Esc, Enter and Tab in the program's windows.
#include "ui/form_keyboard_win32.h"

#include <commctrl.h>

#include <algorithm>

namespace rdc {
namespace {

// The control of `form` that holds the focus: the focused window itself, or
// the control it is part of (a combo box's edit is the combo box's child).
HWND FocusedControl(HWND form) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(form, focus)) return nullptr;
  while (GetParent(focus) != form) focus = GetParent(focus);
  return focus;
}

// A multi-line edit box that can be written in takes Enter as a line break.
bool FocusedControlTakesEnter(HWND form) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(form, focus)) return false;
  wchar_t name[16];
  GetClassNameW(focus, name, 16);
  if (lstrcmpiW(name, L"EDIT") != 0) return false;
  const LONG style = GetWindowLongW(focus, GWL_STYLE);
  return (style & ES_MULTILINE) && !(style & ES_READONLY);
}

// A radio button has the focus: the arrow keys move within its group.
bool FocusedControlIsRadioButton(HWND form) {
  HWND focus = GetFocus();
  return focus && IsChild(form, focus) &&
         (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

// A combo box with its list dropped has the focus: Enter takes the list's
// choice and Esc closes the list, as the combo box itself does with them.
bool FocusedComboBoxIsDropped(HWND form) {
  HWND control = FocusedControl(form);
  if (!control) return false;
  wchar_t name[16];
  GetClassNameW(control, name, 16);
  return lstrcmpiW(name, WC_COMBOBOXW) == 0 && SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0);
}

}  // namespace

std::vector<int> FormKeyboard::FocusableInOrder(HWND form) const {
  std::vector<int> result;
  for (int id : focusOrder_) {
    HWND child = GetDlgItem(form, id);
    if (child && IsWindowVisible(child) && IsWindowEnabled(child)) result.push_back(id);
  }
  return result;
}

void FormKeyboard::MoveFocus(HWND form, bool forward) const {
  const std::vector<int> order = FocusableInOrder(form);
  if (order.empty()) return;
  HWND focus = FocusedControl(form);
  const auto current = std::find(order.begin(), order.end(), GetDlgCtrlID(focus));
  const bool focusInside = focus && current != order.end();
  const std::size_t count = order.size();
  std::size_t index = focusInside ? static_cast<std::size_t>(current - order.begin()) : 0;
  if (focusInside) index = forward ? (index + 1) % count : (index + count - 1) % count;
  SetFocus(GetDlgItem(form, order[index]));
}

bool FormKeyboard::Translate(HWND form, const MSG& msg) const {
  if (msg.message != WM_KEYDOWN) return false;
  switch (msg.wParam) {
    case VK_ESCAPE:
      if (FocusedComboBoxIsDropped(form)) return false;
      PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    case VK_TAB:
      // Tab goes forward through the focus order, Shift+Tab back; Ctrl and Alt are not ours.
      if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
      MoveFocus(form, GetKeyState(VK_SHIFT) >= 0);
      return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      // The system's dialog manager moves to the next radio button of the group
      // (its WS_GROUP styles mark where the group starts and ends) and selects it.
      if (!FocusedControlIsRadioButton(form)) return false;
      return IsDialogMessageW(form, const_cast<MSG*>(&msg)) != FALSE;
    case VK_RETURN: {
      if (FocusedControlTakesEnter(form) || FocusedComboBoxIsDropped(form)) return false;
      HWND button = defaultButton_ ? GetDlgItem(form, defaultButton_) : nullptr;
      if (button && IsWindowVisible(button) && IsWindowEnabled(button))
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(defaultButton_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
      return true;
    }
  }
  return false;
}

}  // namespace rdc
