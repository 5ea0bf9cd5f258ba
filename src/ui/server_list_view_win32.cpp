// The rows carry their entry number as item data and ask for their texts and
// state pictures when shown (LPSTR_TEXTCALLBACKW, LVN_GETDISPINFOW), so a
// rebuild of any length costs one insert per row and a status change repaints
// one row. The list view's own type-ahead asks for the first column's texts
// the same way.
#include "ui/server_list_view_win32.h"

#include "model/row_placement.h"
#include "os/owners_win32.h"
#include "ui/dpi_win32.h"
#include "text/text_win32.h"
#include "ui/status_pictures_win32.h"

namespace rdc {

void SetUpServerColumns(HWND list, std::span<const ListColumn> columns, int dpi,
                        DWORD extendedStyles) {
  ListView_SetExtendedListViewStyle(list,
                                    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | extendedStyles);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = columns[i].format;
    column.cx = ScaleToDpi(columns[i].width, dpi);
    column.pszText = const_cast<wchar_t*>(columns[i].title);
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
  // The state pictures are asked for like the texts, so a status change
  // touches the list view only to repaint a row that shows.
  ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
  ShowStatePictures(list, dpi);
}

void ShowStatePictures(HWND list, int dpi) {
  // The list view owns the list it shows; the one it showed before is ours to free.
  const UniqueImageList previous(ListView_SetImageList(list, LoadStatePictures(dpi), LVSIL_STATE));
}

void ScaleServerColumns(HWND list, std::span<const ListColumn> columns, int dpi) {
  for (int i = 0; i < static_cast<int>(columns.size()); ++i)
    ListView_SetColumnWidth(list, i, ScaleToDpi(columns[i].width, dpi));
  ShowStatePictures(list, dpi);
}

std::wstring HostColumnText(const ServerEntry& entry) {
  return WideFromGbk(entry.host);
}
std::wstring PortColumnText(const ServerEntry& entry) {
  return WideFromGbk(entry.port);
}
std::wstring AccountColumnText(const ServerEntry& entry) {
  return WideFromGbk(entry.account);
}
std::wstring StatusColumnText(const ServerEntry& entry) {
  return StatusText(entry.status);
}

ServerListView::ServerListView(HWND list, std::span<const ListColumn> columns,
                               const ServerList& servers, int dpi)
    : list_(list), columns_(columns), servers_(servers) {
  SetUpServerColumns(list_, columns_, dpi);
}

void ServerListView::OnDpiChanged(int dpi) {
  ScaleServerColumns(list_, columns_, dpi);
}

void ServerListView::Show() {
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  const int count = static_cast<int>(servers_.size());
  ListView_SetItemCount(list_, count);
  rowIds_.clear();
  rowIds_.reserve(servers_.size());
  for (const ServerEntry& entry : servers_) rowIds_.push_back(entry.id);
  for (int number = 1; number <= count; ++number) AppendRow(number);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void ServerListView::AppendRow(int number) const {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = number - 1;  // at the end
  item.pszText = LPSTR_TEXTCALLBACKW;
  item.lParam = number;
  ListView_InsertItem(list_, &item);  // the other columns are never set: they ask too
}

std::uint64_t ServerListView::IdOfRow(int row) const {
  return row >= 0 && row < static_cast<int>(rowIds_.size()) ? rowIds_[row] : 0;
}

void ServerListView::ShowChanged(std::span<const std::uint64_t> carriesOn, bool keepSelection) {
  RowsShown before;
  if (keepSelection) {
    before.selected = SelectedIds();
    before.focused = FocusedId();
  }
  before.topRow = ListView_GetTopIndex(list_);
  before.top = IdOfRow(before.topRow);

  // Row r always carries entry r + 1 and asks for its texts, so only rows past
  // the end of the shorter list go or come.
  const int count = static_cast<int>(servers_.size());
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  // The selected and the focused rows lose their state one by one (for all
  // rows at once the list view would tell of each of them).
  for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
    ListView_SetItemState(list_, row, 0, LVIS_SELECTED);
  const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
  if (focused >= 0) ListView_SetItemState(list_, focused, 0, LVIS_FOCUSED);
  if (count == 0) ListView_DeleteAllItems(list_);
  for (int rows = ListView_GetItemCount(list_); rows > count; --rows)
    ListView_DeleteItem(list_, rows - 1);
  for (int number = ListView_GetItemCount(list_) + 1; number <= count; ++number) AppendRow(number);
  rowIds_.clear();
  for (const ServerEntry& entry : servers_) rowIds_.push_back(entry.id);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);

  const RowPlacement placement = PlaceRows(carriesOn, before);
  for (const int row : placement.selected) {
    const UINT state = row == placement.focused ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED;
    ListView_SetItemState(list_, row, state, state);
  }
  if (placement.focused >= 0)
    ListView_SetItemState(list_, placement.focused, LVIS_FOCUSED, LVIS_FOCUSED);
  // After the selection, which may scroll the list to show it.
  ScrollToTop(placement.top);
}

void ServerListView::ScrollToTop(int row) const {
  RECT first{LVIR_BOUNDS, 0, 0, 0};
  if (row < 0 || !ListView_GetItemRect(list_, 0, &first, LVIR_BOUNDS)) return;
  // In report view the list scrolls by whole rows, given in pixels.
  ListView_Scroll(list_, 0, (row - ListView_GetTopIndex(list_)) * (first.bottom - first.top));
}

int ServerListView::SelectedRow() const {
  return ListView_GetNextItem(list_, -1, LVNI_SELECTED);
}

std::vector<std::uint64_t> ServerListView::SelectedIds() const {
  std::vector<std::uint64_t> ids;
  for (int row = SelectedRow(); row >= 0; row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
    if (const std::uint64_t id = IdOfRow(row)) ids.push_back(id);
  return ids;
}

std::uint64_t ServerListView::FocusedId() const {
  return IdOfRow(ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
}

void ServerListView::Select(std::uint64_t id) {
  for (int row = 0; row < static_cast<int>(rowIds_.size()); ++row) {
    if (id == 0 || rowIds_[row] != id) continue;
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return;
  }
}

void ServerListView::RedrawRows(std::span<const int> rows) const {
  // Rows ask for their status when shown: only those on screen are repainted.
  const int top = ListView_GetTopIndex(list_);
  const int bottom = top + ListView_GetCountPerPage(list_);
  for (const int row : rows)
    if (row >= top && row <= bottom) ListView_RedrawItems(list_, row, row);
}

void ServerListView::AnswerDisplayInfo(NMLVDISPINFOW& request) const {
  LVITEMW& item = request.item;
  const ServerEntry* entry = EntryByNumber(servers_, static_cast<int>(item.lParam));
  if (!entry) entry = EntryByNumber(servers_, item.iItem + 1);
  if ((item.mask & LVIF_STATE) && entry) {
    item.state = (item.state & ~LVIS_STATEIMAGEMASK) | StateImageOf(entry->status);
  }
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
  std::wstring text;
  if (entry && item.iSubItem >= 0 && item.iSubItem < static_cast<int>(columns_.size()))
    text = columns_[item.iSubItem].text(*entry);
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

}  // namespace rdc
