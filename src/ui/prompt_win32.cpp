// The system's message box.
#include "ui/prompt_win32.h"

namespace rdc {

int MessageBoxPrompt::Ask(const wchar_t* text, const wchar_t* caption, UINT type) {
  return MessageBoxW(nullptr, text, caption, type);
}

}  // namespace rdc
