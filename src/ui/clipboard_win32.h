// Putting a text on the clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace rdc {

// Puts `text` on the clipboard as Unicode text, for `owner`; false when the
// memory or the clipboard could not be had (the clipboard then keeps what it held).
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

}  // namespace rdc
