// The one message loop of the program: the main window's and every modal
// form's, with the keyboard rules of the forms applied first.
#pragma once

#include <windows.h>

#include <functional>

namespace rdc {

class FormWindow;

// Gives the keyboard rules of our forms to a message before it is dispatched;
// true when a form handled it.
bool TranslateFormKey(const MSG& msg);

// Dispatches the thread's messages until `done` returns true. False when
// WM_QUIT ended it; the quit is then posted again, so that the loops around
// this one end too.
bool RunMessageLoop(const std::function<bool()>& done);

// Shows `form` (already created) modally: the program's other windows take no
// input until it has been destroyed.
void RunModal(FormWindow& form);

}  // namespace rdc
