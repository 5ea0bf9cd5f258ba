// The one function through which the windows show message boxes: task-modal,
// without an owner. Tests replace it to answer the boxes themselves.
#pragma once

#include <windows.h>

#include <functional>

namespace rdc {

// Shows a box (MB_TASKMODAL is added) and returns the button pressed (IDOK, ...).
int ShowMessage(const wchar_t* text, const wchar_t* caption, UINT type);

using MessagePrompt = std::function<int(const wchar_t* text, const wchar_t* caption, UINT type)>;

// Replaces the message box for as long as the returned object lives.
class ScopedMessagePrompt {
 public:
  explicit ScopedMessagePrompt(MessagePrompt prompt);
  ~ScopedMessagePrompt();
  ScopedMessagePrompt(const ScopedMessagePrompt&) = delete;
  ScopedMessagePrompt& operator=(const ScopedMessagePrompt&) = delete;

 private:
  MessagePrompt previous_;
};

}  // namespace rdc
