// Display scaling: the designs are in pixels at 96 DPI; these give a design
// value at a window's DPI and tell which DPI a window is shown at.
#pragma once

#include <windows.h>

namespace rdc {

// The DPI the window designs are drawn for: at it, every value stays as designed.
inline constexpr int kDesignDpi = 96;

// A design value at `dpi`: MulDiv(value, dpi, 96), the exact product rounded to
// the nearest pixel with halves away from zero. So 96 DPI keeps every value,
// 144 DPI gives 1.5 times it (21 -> 32, 17 -> 26) and 192 DPI twice it.
inline int ScaleToDpi(int designPixels, int dpi) {
  return MulDiv(designPixels, dpi, kDesignDpi);
}

// The DPI `hwnd` is shown at: its monitor's under per-monitor awareness, the
// system's on systems before Windows 10 1607 (which lack GetDpiForWindow).
int WindowDpi(HWND hwnd);

// The DPI the system's stock objects (the default GUI font) were made for.
int SystemDpi();

}  // namespace rdc
