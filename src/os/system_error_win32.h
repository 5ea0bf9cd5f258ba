// The system's own text for a Windows error code, for the line of a message
// box that says why something failed.
#pragma once

#include <windows.h>

#include <string>

namespace rdc {

// The system's message for `error` in the user's language ("磁盘空间不足。"),
// without its trailing line break; the code itself when the system has no text.
std::wstring SystemErrorText(DWORD error);

}  // namespace rdc
