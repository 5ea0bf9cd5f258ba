// The text of a window or control, whatever its length.
#pragma once

#include <windows.h>

#include <string>

namespace rdc {

std::wstring WindowText(HWND hwnd);

}  // namespace rdc
