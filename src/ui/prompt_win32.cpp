// Message boxes, replaceable by tests.
#include "ui/prompt_win32.h"

#include <utility>

namespace rdc {
namespace {

MessagePrompt& CurrentPrompt() {
  static MessagePrompt prompt;
  return prompt;
}

}  // namespace

int ShowMessage(const wchar_t* text, const wchar_t* caption, UINT type) {
  if (CurrentPrompt()) return CurrentPrompt()(text, caption, type | MB_TASKMODAL);
  return MessageBoxW(nullptr, text, caption, type | MB_TASKMODAL);
}

ScopedMessagePrompt::ScopedMessagePrompt(MessagePrompt prompt)
    : previous_(std::exchange(CurrentPrompt(), std::move(prompt))) {}

ScopedMessagePrompt::~ScopedMessagePrompt() {
  CurrentPrompt() = std::move(previous_);
}

}  // namespace rdc
