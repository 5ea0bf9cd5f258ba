// The floor of the program's start-up and memory: a bare Win32 window with one
// report list view, the main list's size, filled with the number of rows given
// on the command line (none without one), as the program fills its list. It
// ends when its window is closed.
#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <cwchar>

#include "bench_support_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const rdc::bench::BareListWindow bare(344, 160, 4);
  const long rows = std::wcstol(arguments, nullptr, 10);
  if (rows > 0) bare.Fill(static_cast<int>(rows));
  MSG msg;
  while (IsWindow(bare.window()) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
