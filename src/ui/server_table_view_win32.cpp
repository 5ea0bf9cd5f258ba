#include "ui/server_table_view_win32.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "os/owners_win32.h"
#include "text/text_win32.h"
#include "ui/dpi_win32.h"
#include "ui/status_pictures_win32.h"

namespace rdc {

ServerTableView::ServerTableView(HWND list, std::span<const ListColumn> columns,
                                 const ServerList& servers, int dpi)
    : list_(list), columns_(columns), servers_(servers) {
  SetUpServerColumns(list_, columns_, dpi, LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
}

void ServerTableView::OnDpiChanged(int dpi) {
  ScaleServerColumns(list_, columns_, dpi);
}

void ServerTableView::ShowRows(std::vector<std::size_t> rows,
                               std::span<const std::uint64_t> selected, std::uint64_t focused,
                               std::uint64_t top) {
  rows_ = std::move(rows);
  rowIds_.clear();
  rowIds_.reserve(rows_.size());
  for (const std::size_t index : rows_) rowIds_.push_back(servers_[index].id);

  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  // The rows ask for their texts: only the count is the list view's.
  ListView_SetItemCountEx(list_, static_cast<int>(rowIds_.size()), LVSICF_NOSCROLL);
  const std::unordered_set<std::uint64_t> chosen(selected.begin(), selected.end());
  std::vector<int> selectedRows;
  int focusedRow = -1;
  int topRow = -1;
  for (int row = 0; row < static_cast<int>(rowIds_.size()); ++row) {
    const std::uint64_t id = rowIds_[row];
    if (!chosen.empty() && chosen.contains(id)) selectedRows.push_back(row);
    if (id == focused && focused != 0) focusedRow = row;
    if (id == top && top != 0) topRow = row;
  }
  // Every row at once when all are selected (as after Ctrl+A): one message, not one a row.
  if (!selectedRows.empty() && selectedRows.size() == rowIds_.size()) {
    ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
  } else {
    for (const int row : selectedRows) ListView_SetItemState(list_, row, LVIS_SELECTED, LVIS_SELECTED);
  }
  if (focusedRow >= 0) {
    ListView_SetItemState(list_, focusedRow, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_SetSelectionMark(list_, focusedRow);
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  RECT first{LVIR_BOUNDS, 0, 0, 0};
  if (topRow < 0 || !ListView_GetItemRect(list_, 0, &first, LVIR_BOUNDS)) return;
  // In report view the list scrolls by whole rows, given in pixels.
  ListView_Scroll(list_, 0, (topRow - ListView_GetTopIndex(list_)) * (first.bottom - first.top));
}

std::uint64_t ServerTableView::IdOfRow(int row) const {
  return row >= 0 && row < static_cast<int>(rowIds_.size()) ? rowIds_[row] : 0;
}

const ServerEntry* ServerTableView::EntryOfRow(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  const std::size_t index = rows_[row];
  if (index >= servers_.size() || servers_[index].id != rowIds_[row]) return nullptr;
  return &servers_[index];
}

std::vector<std::uint64_t> ServerTableView::SelectedIds() const {
  std::vector<std::uint64_t> ids;
  for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
    if (const std::uint64_t id = IdOfRow(row)) ids.push_back(id);
  return ids;
}

std::size_t ServerTableView::SelectedCount() const {
  return ListView_GetSelectedCount(list_);
}

std::size_t ServerTableView::CountShown(ServerStatus status) const {
  std::size_t count = 0;
  for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
    const ServerEntry* entry = EntryOfRow(row);
    if (entry && entry->status == status) ++count;
  }
  return count;
}

std::uint64_t ServerTableView::FocusedId() const {
  return IdOfRow(ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
}

std::uint64_t ServerTableView::TopId() const {
  return IdOfRow(ListView_GetTopIndex(list_));
}

void ServerTableView::SelectAll() {
  ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
}

void ServerTableView::FocusFirstRow() {
  if (rowIds_.empty() || ListView_GetNextItem(list_, -1, LVNI_FOCUSED) >= 0) return;
  ListView_SetItemState(list_, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(list_, 0);
}

void ServerTableView::ShowSortArrow(int column, bool ascending) {
  HWND header = ListView_GetHeader(list_);
  for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, i, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    Header_SetItem(header, i, &item);
  }
}

void ServerTableView::RedrawShown() const {
  const int top = ListView_GetTopIndex(list_);
  const int last = std::min(top + ListView_GetCountPerPage(list_),
                            static_cast<int>(rowIds_.size()) - 1);
  if (last >= top) ListView_RedrawItems(list_, top, last);
}

void ServerTableView::AnswerDisplayInfo(NMLVDISPINFOW& request) const {
  LVITEMW& item = request.item;
  const ServerEntry* entry = EntryOfRow(item.iItem);
  if (item.mask & LVIF_STATE) {
    item.state &= ~LVIS_STATEIMAGEMASK;
    if (entry) item.state |= StateImageOf(entry->status);
  }
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
  std::wstring text;
  if (entry && item.iSubItem >= 0 && item.iSubItem < static_cast<int>(columns_.size()))
    text = columns_[item.iSubItem].text(*entry);
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

int ServerTableView::FindRow(const NMLVFINDITEMW& request) const {
  const LVFINDINFOW& find = request.lvfi;
  if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || find.psz == nullptr) return -1;
  const std::wstring_view typed(find.psz);
  const int count = static_cast<int>(rowIds_.size());
  if (count == 0 || typed.empty()) return -1;
  // From the start row on, wrapping, the first host that begins with the
  // typed letters, letter case ignored.
  const int start = std::clamp(request.iStart, 0, count - 1);
  for (int step = 0; step < count; ++step) {
    const int row = (start + step) % count;
    const ServerEntry* entry = EntryOfRow(row);
    if (!entry) continue;
    const std::wstring host = columns_.front().text(*entry);
    if (host.size() >= typed.size() &&
        CompareStringOrdinal(host.c_str(), static_cast<int>(typed.size()), typed.data(),
                             static_cast<int>(typed.size()), TRUE) == CSTR_EQUAL)
      return row;
  }
  return -1;
}

}  // namespace rdc
