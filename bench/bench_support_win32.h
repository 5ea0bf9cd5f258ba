// What the Windows benchmarks share: the median of runs, and a message pump.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace rdc::bench {

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Dispatches every queued message, so the windows paint and answer.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The floor of a list's figures: a bare report list view in a window of its
// own, its rows filled as the program's main list fills them (one callback
// insert a row, texts and state pictures asked for when painted).
class BareListWindow {
 public:
  // A list of `listWidth` x `listHeight` pixels with `columns` columns.
  BareListWindow(int listWidth, int listHeight, int columns) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"bench.Bare";
    RegisterClassW(&wc);
    window_ = CreateWindowW(L"bench.Bare", L"bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            listWidth + 60, listHeight + 80, nullptr, nullptr, wc.hInstance,
                            nullptr);
    list_ = CreateWindowExW(WS_EX_STATICEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT,
                            21, 17, listWidth, listHeight, window_, nullptr, wc.hInstance, nullptr);
    for (int column = 0; column < columns; ++column) {
      LVCOLUMNW header{LVCF_WIDTH | LVCF_TEXT, 0, 80, const_cast<wchar_t*>(L"c")};
      ListView_InsertColumn(list_, column, &header);
    }
    UpdateWindow(window_);
    Pump();
  }
  ~BareListWindow() { DestroyWindow(window_); }
  BareListWindow(const BareListWindow&) = delete;
  BareListWindow& operator=(const BareListWindow&) = delete;

  HWND window() const { return window_; }
  HWND list() const { return list_; }

  // Empties the list and fills it with `rows` rows until they have painted; ms.
  double Fill(int rows) const {
    const auto start = Clock::now();
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    ListView_SetItemCount(list_, rows);
    for (int row = 0; row < rows; ++row) {
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
      item.iItem = row;
      item.pszText = LPSTR_TEXTCALLBACKW;
      item.lParam = row + 1;
      item.stateMask = LVIS_STATEIMAGEMASK;
      item.state = INDEXTOSTATEIMAGEMASK(3);
      ListView_InsertItem(list_, &item);
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    UpdateWindow(list_);
    return MillisecondsSince(start);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOW) {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
      if (item.mask & LVIF_TEXT) lstrcpynW(item.pszText, L"127.0.0.1", item.cchTextMax);
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  HWND list_ = nullptr;
};

}  // namespace rdc::bench
