// The floor of the program's empty start in its own window: the main window's
// frame, controls, captions and fonts from its design table, created by plain
// calls with nothing behind them (no list read, no options, no pictures, no
// timers) and painted once. It ends when its window is closed.
#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include "ui/form_fonts_win32.h"
#include "ui/form_win32.h"
#include "ui/main_window_design_win32.h"
#include "ui/server_list_view_win32.h"

namespace {

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSW wc{};
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = L"bench.BareMain";
  RegisterClassW(&wc);
  const rdc::FormFrame frame = rdc::MainWindowFrame();
  HWND window = CreateWindowExW(WS_EX_APPWINDOW, wc.lpszClassName, frame.title, frame.style, 0, 0,
                                frame.outerWidth, frame.outerHeight, nullptr, nullptr, instance,
                                nullptr);
  rdc::FormFonts fonts;
  for (const rdc::ControlSpec& row : rdc::MainWindowControls()) {
    HWND child = CreateWindowExW(row.exStyle, rdc::ControlClass(row.kind), row.caption,
                                 rdc::KindStyle(row.kind) | row.style, row.x, row.y, row.width,
                                 row.height, window, reinterpret_cast<HMENU>(INT_PTR{row.id}),
                                 instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.For(row.font)), FALSE);
    if (row.kind != rdc::ControlKind::ListView) continue;
    ListView_SetExtendedListViewStyle(child, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    int index = 0;
    for (const rdc::ListColumn& column : rdc::MainWindowColumns()) {
      LVCOLUMNW header{LVCF_TEXT | LVCF_WIDTH | LVCF_FMT, column.format, column.width,
                       const_cast<wchar_t*>(column.title)};
      ListView_InsertColumn(child, index++, &header);
    }
  }
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
