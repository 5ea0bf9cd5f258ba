// The message loop, shared by the main window and the modal forms.
#include "ui/message_loop_win32.h"

#include "ui/form_win32.h"

namespace rdc {

bool TranslateFormKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  FormWindow* form = FormWindow::FromHandle(GetAncestor(msg.hwnd, GA_ROOT));
  return form && form->TranslateKey(msg);
}

bool RunMessageLoop(const std::function<bool()>& done) {
  MSG msg;
  while (!done()) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (TranslateFormKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void RunModal(FormWindow& form) {
  HWND dialog = form.hwnd();
  if (!dialog) return;
  form.DisableOtherWindows();
  RunMessageLoop([dialog] { return !IsWindow(dialog); });
  form.EnableOtherWindows();  // already done when the form hid itself
}

}  // namespace rdc
