// A list view control showing a list of servers, one row per entry in list
// order, in the columns its window chooses. Rows are known by the ids of
// their servers: the selection, the focus and the top row stay on their
// servers when the list changes under them.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/server_list.h"
#include "ui/status_pictures_win32.h"

namespace rdc {

// One column: its title, its width at 96 DPI, its alignment (LVCFMT_...) and
// the text a server shows in it.
struct ListColumn {
  const wchar_t* title;
  int width;
  int format;
  std::wstring (*text)(const ServerEntry& entry);
};

// Sets up the list view `list` for servers: full-row selection and grid lines
// (and `extendedStyles`), `columns` and the status pictures at `dpi`.
void SetUpServerColumns(HWND list, std::span<const ListColumn> columns, int dpi,
                        DWORD extendedStyles = 0);
// The columns' widths and the status pictures for another DPI.
void ScaleServerColumns(HWND list, std::span<const ListColumn> columns, int dpi);
void ShowStatePictures(HWND list, int dpi);

// What the columns the lists share show of a server.
std::wstring HostColumnText(const ServerEntry& entry);
std::wstring PortColumnText(const ServerEntry& entry);
std::wstring AccountColumnText(const ServerEntry& entry);
std::wstring StatusColumnText(const ServerEntry& entry);

class ServerListView {
 public:
  // Sets up the list view `list` with `columns` and the state pictures at
  // `dpi`; it shows `servers` (empty until Show), which outlives it.
  ServerListView(HWND list, std::span<const ListColumn> columns, const ServerList& servers,
                 int dpi);

  HWND hwnd() const { return list_; }

  // Rebuilds every row from the list; no row stays selected.
  void Show();
  // The list has changed: `carriesOn` holds, for each entry now, the id of
  // the entry shown before that it carries on (0: none). Rows come or go at
  // the end only; the top row and the focus stay on their servers, and so
  // does the selection when `keepSelection` (otherwise no row is selected).
  void ShowChanged(std::span<const std::uint64_t> carriesOn, bool keepSelection);

  // The first selected row; -1 when none is selected.
  int SelectedRow() const;
  // The ids of the selected rows' servers, in row order.
  std::vector<std::uint64_t> SelectedIds() const;
  std::uint64_t FocusedId() const;  // 0: no row has the focus
  // Selects and focuses the row of entry `id` (nothing when it has none).
  void Select(std::uint64_t id);

  // Column widths and state pictures for the window's new DPI.
  void OnDpiChanged(int dpi);
  // Gives a row's texts and state picture from its entry.
  void AnswerDisplayInfo(NMLVDISPINFOW& request) const;
  // Repaints those of `rows` that are on screen (their servers' status changed).
  void RedrawRows(std::span<const int> rows) const;

 private:
  // Appends the row of entry `number`, which asks for its texts when shown.
  void AppendRow(int number) const;
  // The id of the server row `row` showed when last shown; 0 past the end.
  std::uint64_t IdOfRow(int row) const;
  void ScrollToTop(int row) const;

  HWND list_;
  std::span<const ListColumn> columns_;
  const ServerList& servers_;
  // The ids of the servers the rows showed when last shown: the list itself
  // may already have changed when the view is told of it.
  std::vector<std::uint64_t> rowIds_;
};

}  // namespace rdc
