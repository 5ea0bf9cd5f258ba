// Which DPI a window is shown at, on every Windows version the program runs on.
#include "ui/dpi_win32.h"

#include "os/owners_win32.h"

namespace rdc {
namespace {

using DpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up at run time: Windows 7 and 8 have no GetDpiForWindow.
DpiForWindowFunction DpiForWindow() {
  static const auto function = reinterpret_cast<DpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return function;
}

}  // namespace

int SystemDpi() {
  const WindowDc screen(nullptr);
  const int dpi = screen.valid() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kDesignDpi;
  return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND hwnd) {
  if (const DpiForWindowFunction function = DpiForWindow()) {
    const UINT dpi = function(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

}  // namespace rdc
