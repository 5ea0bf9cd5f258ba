// How the windows ask the user: a message box. Every window that shows one is
// handed the prompt it shows it through; tests hand their own.
#pragma once

#include <windows.h>

namespace rdc {

class MessagePrompt {
 public:
  virtual ~MessagePrompt() = default;
  // Shows a box, task-modal (MB_TASKMODAL is added) and without an owner, and
  // returns the button pressed (IDOK, ...).
  int Show(const wchar_t* text, const wchar_t* caption, UINT type) {
    return Ask(text, caption, type | MB_TASKMODAL);
  }

 private:
  virtual int Ask(const wchar_t* text, const wchar_t* caption, UINT type) = 0;
};

// The system's message box.
class MessageBoxPrompt : public MessagePrompt {
 private:
  int Ask(const wchar_t* text, const wchar_t* caption, UINT type) override;
};

}  // namespace rdc
