// A list view showing some of a list's servers, in an order its window
// chooses (a filter, a sort): a virtual list view (LVS_OWNERDATA), which asks
// for each row's texts when it paints it, so tens of thousands of rows show,
// filter and sort at once. Rows are known by their servers' ids: the
// selection, the focus and the top row stay on their servers across a change.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/server_list.h"
#include "ui/server_list_view_win32.h"

namespace rdc {

class ServerTableView {
 public:
  // Sets up the list view `list` (LVS_OWNERDATA) with `columns` at `dpi`; it
  // shows rows of `servers`, which outlives it.
  ServerTableView(HWND list, std::span<const ListColumn> columns, const ServerList& servers,
                  int dpi);

  HWND hwnd() const { return list_; }

  // Shows the entries at `rows` (indices into the list as it is now), in that
  // order; the servers of `selected` that are shown are selected, `focused`
  // has the focus and `top` is the top row where they are shown.
  void ShowRows(std::vector<std::size_t> rows, std::span<const std::uint64_t> selected,
                std::uint64_t focused, std::uint64_t top);

  std::size_t RowCount() const { return rowIds_.size(); }
  // The id of the server row `row` shows; 0 past the end.
  std::uint64_t IdOfRow(int row) const;
  // The shown servers' ids, in row order.
  const std::vector<std::uint64_t>& ShownIds() const { return rowIds_; }
  std::vector<std::uint64_t> SelectedIds() const;
  std::size_t SelectedCount() const;
  // How many shown servers have `status`.
  std::size_t CountShown(ServerStatus status) const;
  std::uint64_t FocusedId() const;
  std::uint64_t TopId() const;
  void SelectAll();
  // Selects and focuses the first row when no row has the focus.
  void FocusFirstRow();

  // The sort arrow on `column` (-1: none), up when `ascending`.
  void ShowSortArrow(int column, bool ascending);
  void OnDpiChanged(int dpi);
  // Answers the list view's LVN_GETDISPINFOW and LVN_ODFINDITEMW (type-ahead
  // on the first column).
  void AnswerDisplayInfo(NMLVDISPINFOW& request) const;
  int FindRow(const NMLVFINDITEMW& request) const;
  // Repaints the rows on screen (their servers' status changed).
  void RedrawShown() const;

 private:
  // The entry row `row` shows, or nullptr when the list changed under it and
  // the view has not been told yet.
  const ServerEntry* EntryOfRow(int row) const;

  HWND list_;
  std::span<const ListColumn> columns_;
  const ServerList& servers_;
  std::vector<std::size_t> rows_;       // indices into the list when last shown
  std::vector<std::uint64_t> rowIds_;  // the ids those entries had
};

}  // namespace rdc
