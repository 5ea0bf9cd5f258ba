// The server manager's layout, its keys, its list menu, and the binding of
// its list and its tree to the operations (in server_manager_operations_win32).
#include "ui/server_manager_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>
#include <utility>

#include "model/recent_servers.h"
#include "model/server_edits.h"
#include "model/server_groups.h"
#include "model/server_search.h"
#include "model/server_sort.h"
#include "os/owners_win32.h"
#include "text/text_win32.h"
#include "ui/chinese_order_win32.h"
#include "ui/control_ids.h"
#include "ui/messages.h"
#include "ui/window_messages.h"

namespace rdc {
namespace {

// The design at 96 DPI: the window's size when first opened, its smallest
// size, the margins, and the tree's first width. The controls' places follow
// the window's size (Layout); the table holds them at the first size.
constexpr int kOuterWidth = 960, kOuterHeight = 600;
constexpr int kMinOuterWidth = 640, kMinOuterHeight = 400;
constexpr int kMargin = 8;
constexpr int kSearchHeight = 23;
constexpr int kSplitterWidth = 5;
constexpr int kTreeWidth = 220;
constexpr int kMinTreeWidth = 100, kMinListWidth = 200;

const std::array<ControlSpec, 4> kControls{{
    {kManagerSearch, ControlKind::Edit, L"", kMargin, kMargin, 928, kSearchHeight, ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE},
    {kManagerTree, ControlKind::TreeView, L"", kMargin, 39, kTreeWidth, 494,
     TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_EDITLABELS},
    {kManagerList, ControlKind::ListView, L"", 233, 39, 703, 494,
     LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE},
    {kManagerStatus, ControlKind::StatusBar, L"", 0, 539, 944, 22, SBARS_SIZEGRIP},
}};

std::wstring LatencyText(const ServerEntry& entry) {
  if (entry.status != ServerStatus::Online || entry.latencyMs < 0) return {};
  return std::to_wstring(entry.latencyMs) + L" ms";
}
std::wstring GroupText(const ServerEntry& entry) {
  return WideFromGbk(entry.group);
}
std::wstring RemarkText(const ServerEntry& entry) {
  return WideFromGbk(RemarkFirstLine(entry.remark));
}

// In the order of ServerColumn.
constexpr std::array<ListColumn, 7> kColumns{{
    {L"主机IP地址", 130, LVCFMT_LEFT, HostColumnText},
    {L"端口", 50, LVCFMT_LEFT, PortColumnText},
    {L"登陆账号", 100, LVCFMT_LEFT, AccountColumnText},
    {L"网络状态", 70, LVCFMT_CENTER, StatusColumnText},
    {L"延迟", 60, LVCFMT_RIGHT, LatencyText},
    {L"分组", 140, LVCFMT_LEFT, GroupText},
    {L"备注", 150, LVCFMT_LEFT, RemarkText},
}};

// The list's context menu.
enum class ManagerCommand : UINT {
  None,
  Connect,
  Edit,
  Settings,
  Delete,
  CopyAddress,
  MoveToGroup,
  Add,
  Import,
  Export
};
struct ManagerMenuItem {
  ManagerCommand command;  // None: a separator
  const wchar_t* caption;
  bool needsRow;  // greyed when no row is selected
};
constexpr std::array<ManagerMenuItem, 11> kListMenu{{
    {ManagerCommand::Connect, L"连接(&C)", true},
    {ManagerCommand::Edit, L"修改(&E)...", true},
    {ManagerCommand::Settings, L"连接设置(&S)...", true},
    {ManagerCommand::Delete, L"删除(&D)", true},
    {ManagerCommand::None, nullptr, false},
    {ManagerCommand::CopyAddress, L"复制地址(&A)", true},
    {ManagerCommand::MoveToGroup, L"移到分组(&G)...", true},
    {ManagerCommand::None, nullptr, false},
    {ManagerCommand::Add, L"添加(&N)...", false},
    {ManagerCommand::Import, L"导入(&I)...", false},
    {ManagerCommand::Export, L"导出(&X)...", false},
}};

}  // namespace

std::span<const ControlSpec> ServerManagerControls() {
  return kControls;
}

FormFrame ServerManagerFrame(HWND owner) {
  return {kManagerTitle, kOuterWidth, kOuterHeight, WS_OVERLAPPEDWINDOW, owner};
}

std::span<const ListColumn> ServerManagerColumns() {
  return kColumns;
}

ServerManager::ServerManager(ServerList& servers, ServerListOwner& owner, MessagePrompt& prompt,
                             UserSettings& settings)
    : servers_(servers),
      owner_(owner),
      prompt_(prompt),
      settings_(settings),
      splitDesign_(kTreeWidth) {}

void ServerManager::Open(HWND ownerWindow) {
  if (hwnd()) {
    if (IsIconic(hwnd())) ShowWindow(hwnd(), SW_RESTORE);
    SetForegroundWindow(hwnd());
    return;
  }
  Create(ServerManagerFrame(ownerWindow), kControls, {kManagerSearch, kManagerTree, kManagerList},
         0);
  if (!hwnd()) return;
  const std::optional<WINDOWPLACEMENT> placement = settings_.ManagerPlacement();
  if (placement && placement->showCmd == SW_SHOWMAXIMIZED && IsOnExistingMonitor(*placement))
    ShowWindow(hwnd(), SW_SHOWMAXIMIZED);
  SetFocus(control(kManagerSearch));
}

void ServerManager::OnCreated() {
  // The place the user left it in, where its monitor still exists; shown
  // there by the creation (maximized after it).
  if (std::optional<WINDOWPLACEMENT> placement = settings_.ManagerPlacement();
      placement && IsOnExistingMonitor(*placement)) {
    placement->length = sizeof(WINDOWPLACEMENT);
    placement->showCmd = SW_HIDE;
    placement->flags = 0;
    SetWindowPlacement(hwnd(), &*placement);
  } else {
    FitIntoWorkArea();
  }
  SendMessageW(control(kManagerSearch), EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(kManagerSearchCue));
  SendMessageW(control(kManagerSearch), EM_SETLIMITTEXT, 0, 0);
  view_ = std::make_unique<ServerTableView>(control(kManagerList), kColumns, servers_, dpi());
  tree_ = std::make_unique<GroupTreeView>(control(kManagerTree));
  Layout();
  ShowTree();
  ShowRows({}, 0, 0);
}

void ServerManager::FitIntoWorkArea() {
  // A small screen at a large scaling: the first size is at most the work area.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  RECT outer{};
  GetWindowRect(hwnd(), &outer);
  const int width = std::min(outer.right - outer.left, work.right - work.left);
  const int height = std::min(outer.bottom - outer.top, work.bottom - work.top);
  const int left = std::clamp(static_cast<int>(outer.left), static_cast<int>(work.left),
                              static_cast<int>(work.right) - width);
  const int top = std::clamp(static_cast<int>(outer.top), static_cast<int>(work.top),
                             static_cast<int>(work.bottom) - height);
  SetWindowPos(hwnd(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ServerManager::OnDpiChanged() {
  view_->OnDpiChanged(dpi());
  Layout();
}

RECT ServerManager::SplitterRect() const {
  RECT tree{};
  GetWindowRect(control(kManagerTree), &tree);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&tree), 2);
  return {tree.right, tree.top, tree.right + Scale(kSplitterWidth), tree.bottom};
}

void ServerManager::Layout() {
  HWND status = control(kManagerStatus);
  SendMessageW(status, WM_SIZE, 0, 0);  // the bar takes its place at the bottom itself
  RECT bar{};
  GetWindowRect(status, &bar);
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int margin = Scale(kMargin);
  const int width = client.right;
  const int top = margin + Scale(kSearchHeight) + Scale(kMargin) / 2 + 2;
  const int bottom = std::max(top, static_cast<int>(client.bottom - (bar.bottom - bar.top) - margin / 2));
  const int splitter = Scale(kSplitterWidth);
  const int room = width - 2 * margin - splitter;
  const int tree = std::clamp(Scale(splitDesign_), std::min(Scale(kMinTreeWidth), room),
                              std::max(Scale(kMinTreeWidth), room - Scale(kMinListWidth)));
  MoveWindow(control(kManagerSearch), margin, margin, width - 2 * margin, Scale(kSearchHeight),
             TRUE);
  MoveWindow(control(kManagerTree), margin, top, tree, bottom - top, TRUE);
  MoveWindow(control(kManagerList), margin + tree + splitter, top, room - tree, bottom - top, TRUE);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

const std::vector<std::uint64_t>& ServerManager::ShownIds() const {
  static const std::vector<std::uint64_t> none;
  return view_ ? view_->ShownIds() : none;
}

std::vector<std::uint64_t> ServerManager::SelectedIds() const {
  return view_ ? view_->SelectedIds() : std::vector<std::uint64_t>();
}

void ServerManager::ShowTree() {
  updatingTree_ = true;
  tree_->Show(BuildGroupTree(servers_, ChineseSortKey), static_cast<int>(servers_.size()),
              CountUngrouped(servers_));
  updatingTree_ = false;
}

void ServerManager::ShowRows(std::span<const std::uint64_t> selected, std::uint64_t focused,
                             std::uint64_t top) {
  const GroupChoice chosen = tree_->Chosen();
  std::vector<std::size_t> rows;
  if (chosen.kind == GroupChoice::Kind::Recent) {
    const std::vector<std::string> recent = settings_.RecentServers();
    for (const std::uint64_t id : RecentIds(servers_, recent)) {
      const int number = EntryNumberOfId(servers_, id);
      if (number > 0 && MatchesSearch(servers_[number - 1], searchWords_))
        rows.push_back(static_cast<std::size_t>(number - 1));
    }
  } else {
    rows.reserve(servers_.size());
    for (std::size_t i = 0; i < servers_.size(); ++i) {
      const ServerEntry& entry = servers_[i];
      const bool inNode = chosen.kind == GroupChoice::Kind::All ||
                          (chosen.kind == GroupChoice::Kind::Ungrouped && entry.group.empty()) ||
                          (chosen.kind == GroupChoice::Kind::Group &&
                           IsInGroup(entry.group, chosen.path));
      if (inNode && MatchesSearch(entry, searchWords_)) rows.push_back(i);
    }
  }
  if (sortColumn_ >= 0)
    SortRows(rows, servers_, static_cast<ServerColumn>(sortColumn_), sortDescending_,
             ChineseSortKey);
  showing_ = true;
  view_->ShowRows(std::move(rows), selected, focused, top);
  showing_ = false;
  ShowStatusBar();
}

void ServerManager::ShowRowsAgain() {
  ShowRows(view_->SelectedIds(), view_->FocusedId(), view_->TopId());
}

void ServerManager::ShowStatusBar() {
  SetText(kManagerStatus, ManagerStatusText(servers_.size(), view_->RowCount(),
                                            view_->CountShown(ServerStatus::Online),
                                            view_->SelectedCount())
                              .c_str());
}

void ServerManager::ShowChanged(std::span<const std::uint64_t> carriesOn) {
  if (!hwnd()) return;
  // Each server shown before, by the id of the entry that carries it on now.
  std::unordered_map<std::uint64_t, std::uint64_t> now;
  for (std::size_t i = 0; i < carriesOn.size() && i < servers_.size(); ++i)
    if (carriesOn[i] != 0) now.emplace(carriesOn[i], servers_[i].id);
  auto carried = [&now](std::uint64_t id) {
    const auto found = now.find(id);
    return found == now.end() ? std::uint64_t{0} : found->second;
  };
  std::vector<std::uint64_t> selected;
  for (const std::uint64_t id : view_->SelectedIds())
    if (const std::uint64_t next = carried(id)) selected.push_back(next);
  const std::uint64_t focused = carried(view_->FocusedId());
  const std::uint64_t top = carried(view_->TopId());
  ShowTree();
  ShowRows(selected, focused, top);
}

void ServerManager::ShowStatusChanged() {
  if (!hwnd()) return;
  view_->RedrawShown();
  ShowStatusBar();
}

void ServerManager::ShowRecentChanged() {
  if (hwnd() && tree_->Chosen().kind == GroupChoice::Kind::Recent) ShowRowsAgain();
}

void ServerManager::OnSearchChanged() {
  searchWords_ = SearchWords(GbkFromWide(Text(kManagerSearch)));
  ShowRowsAgain();
}

void ServerManager::OnHeaderClick(int column) {
  // Ascending, then descending, then the list's own order again.
  if (sortColumn_ != column) {
    sortColumn_ = column;
    sortDescending_ = false;
  } else if (!sortDescending_) {
    sortDescending_ = true;
  } else {
    sortColumn_ = -1;
  }
  view_->ShowSortArrow(sortColumn_, !sortDescending_);
  ShowRowsAgain();
}

void ServerManager::OnCommand(int id, int notification) {
  if (id == kManagerSearch && notification == EN_CHANGE) OnSearchChanged();
}

LRESULT ServerManager::OnNotify(NMHDR* header) {
  if (header->idFrom == kManagerList) {
    switch (header->code) {
      case LVN_GETDISPINFOW:
        view_->AnswerDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
        return 0;
      case LVN_ODFINDITEMW: return view_->FindRow(*reinterpret_cast<NMLVFINDITEMW*>(header));
      case LVN_COLUMNCLICK: OnHeaderClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem); return 0;
      case NM_DBLCLK: ConnectSelected(); return 0;
      case LVN_ITEMCHANGED:
      case LVN_ODSTATECHANGED:
        if (!showing_) ShowStatusBar();
        return 0;
      case LVN_BEGINDRAG:
        capture_ = Capture::Drag;
        SetCapture(hwnd());
        return 0;
    }
    return 0;
  }
  if (header->idFrom == kManagerTree) {
    switch (header->code) {
      case TVN_SELCHANGEDW:
        if (!updatingTree_) ShowRowsAgain();
        return 0;
      case TVN_BEGINLABELEDITW: {
        // Only a group's name can be edited, without its count.
        HTREEITEM item = reinterpret_cast<NMTVDISPINFOW*>(header)->item.hItem;
        const std::optional<GroupChoice> choice = tree_->ChoiceOf(item);
        if (!choice || choice->kind != GroupChoice::Kind::Group) return TRUE;
        if (HWND edit = TreeView_GetEditControl(tree_->hwnd()))
          SetWindowTextW(edit, tree_->NameOf(item).c_str());
        return FALSE;
      }
      case TVN_ENDLABELEDITW: {
        const auto* edited = reinterpret_cast<NMTVDISPINFOW*>(header);
        const std::optional<GroupChoice> choice = tree_->ChoiceOf(edited->item.hItem);
        if (edited->item.pszText && choice) RenameGroupLater(*choice, edited->item.pszText);
        return FALSE;  // the tree is rebuilt with the new name
      }
    }
  }
  return 0;
}

bool ServerManager::TranslateKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return FormWindow::TranslateKey(msg);
  HWND focus = GetFocus();
  HWND search = control(kManagerSearch);
  HWND list = control(kManagerList);
  HWND tree = control(kManagerTree);
  // A group's name being edited in place takes its own keys (Enter, Esc).
  if (HWND edit = TreeView_GetEditControl(tree); edit && focus == edit) return false;
  if (capture_ != Capture::None) {
    if (msg.wParam == VK_ESCAPE) ReleaseCapture();  // the drag or the split ends where it began
    return true;
  }
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool other = GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0;
  if (control && !other) {
    switch (msg.wParam) {
      case 'F':
        SetFocus(search);
        Edit_SetSel(search, 0, -1);
        return true;
      case 'A':
        if (focus == search) Edit_SetSel(search, 0, -1);
        if (focus == list) view_->SelectAll();
        return focus == search || focus == list;
      case 'C':
        if (focus != list) return false;  // the search box copies its own text
        CopySelectedAddresses();
        return true;
      case 'G': MoveSelectedToGroup(); return true;
    }
    return false;
  }
  if (other) return FormWindow::TranslateKey(msg);
  switch (msg.wParam) {
    case VK_ESCAPE:
      // Esc first clears the search, then closes the window.
      if (focus == search && GetWindowTextLengthW(search) > 0) {
        SetWindowTextW(search, L"");
        return true;
      }
      break;
    case VK_DOWN:
      if (focus != search) break;
      SetFocus(list);
      view_->FocusFirstRow();
      return true;
    case VK_RETURN:
      if (focus == search && view_->RowCount() == 1) {
        owner_.ConnectServer(view_->IdOfRow(0));
        return true;
      }
      if (focus == list) {
        ConnectSelected();
        return true;
      }
      SetFocus(list);
      view_->FocusFirstRow();
      return true;
    case VK_F2:
      if (focus == list) EditSelected();
      if (focus == tree) TreeView_EditLabel(tree, TreeView_GetSelection(tree));
      if (focus == list || focus == tree) return true;
      break;
    case VK_DELETE:
      if (focus == list) DeleteSelected();
      if (focus == tree) DeleteGroup(TreeView_GetSelection(tree));
      if (focus == list || focus == tree) return true;
      break;
    case VK_INSERT:
      if (focus != list && focus != tree) break;
      AddServer();
      return true;
  }
  return FormWindow::TranslateKey(msg);
}

void ServerManager::ShowListMenu(POINT screen) {
  HWND list = control(kManagerList);
  const bool hasRow = view_->SelectedCount() > 0;
  if (screen.x == -1 && screen.y == -1) {
    // From the keyboard: at the focused row, or the list's corner.
    const int row = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    RECT place{LVIR_BOUNDS, 0, 0, 0};
    if (row < 0 || !ListView_GetItemRect(list, row, &place, LVIR_BOUNDS)) place = {};
    screen = {place.left, place.bottom};
    ClientToScreen(list, &screen);
  }
  const UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  for (const ManagerMenuItem& item : kListMenu) {
    if (item.command == ManagerCommand::None) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT state = item.needsRow && !hasRow ? MF_GRAYED : MF_ENABLED;
    AppendMenuW(menu.get(), MF_STRING | state, static_cast<UINT_PTR>(item.command), item.caption);
  }
  switch (static_cast<ManagerCommand>(TrackPopupMenu(
      menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x, screen.y, 0, hwnd(),
      nullptr))) {
    case ManagerCommand::Connect: ConnectSelected(); return;
    case ManagerCommand::Edit: EditSelected(); return;
    case ManagerCommand::Settings: EditConnectionSettings(); return;
    case ManagerCommand::Delete: DeleteSelected(); return;
    case ManagerCommand::CopyAddress: CopySelectedAddresses(); return;
    case ManagerCommand::MoveToGroup: MoveSelectedToGroup(); return;
    case ManagerCommand::Add: AddServer(); return;
    case ManagerCommand::Import: Import(); return;
    case ManagerCommand::Export: Export(); return;
    case ManagerCommand::None: return;
  }
}

void ServerManager::OnDragMove(POINT client) {
  HWND tree = control(kManagerTree);
  POINT inTree = client;
  MapWindowPoints(hwnd(), tree, &inTree, 1);
  HTREEITEM item = tree_->ItemAt(inTree);
  const std::optional<GroupChoice> target = tree_->ChoiceOf(item);
  const bool droppable = target && (target->kind == GroupChoice::Kind::Group ||
                                    target->kind == GroupChoice::Kind::Ungrouped);
  TreeView_SelectDropTarget(tree, droppable ? item : nullptr);
  SetCursor(LoadCursorW(nullptr, droppable ? IDC_ARROW : IDC_NO));
}

void ServerManager::EndDrag(POINT client) {
  HWND tree = control(kManagerTree);
  TreeView_SelectDropTarget(tree, nullptr);
  POINT inTree = client;
  MapWindowPoints(hwnd(), tree, &inTree, 1);
  const std::optional<GroupChoice> target = tree_->ChoiceOf(tree_->ItemAt(inTree));
  if (!target) return;
  // Onto a group: moved into it; onto "未分组": out of every group.
  std::string path;
  if (target->kind == GroupChoice::Kind::Group) {
    path = target->path;
  } else if (target->kind != GroupChoice::Kind::Ungrouped) {
    return;
  }
  if (MoveToGroup(servers_, view_->SelectedIds(), path) > 0) Changed();
}

LRESULT ServerManager::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (view_) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {Scale(kMinOuterWidth), Scale(kMinOuterHeight)};
      return 0;
    }
    case WM_SETCURSOR: {
      POINT point{};
      GetCursorPos(&point);
      ScreenToClient(hwnd(), &point);
      const RECT splitter = SplitterRect();
      if (reinterpret_cast<HWND>(wParam) == hwnd() && LOWORD(lParam) == HTCLIENT &&
          PtInRect(&splitter, point)) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const RECT splitter = SplitterRect();
      if (!PtInRect(&splitter, point)) break;
      capture_ = Capture::Splitter;
      SetCapture(hwnd());
      return 0;
    }
    case WM_MOUSEMOVE: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (capture_ == Capture::Splitter) {
        splitDesign_ = MulDiv(point.x - Scale(kMargin), kDesignDpi, dpi());
        Layout();
      } else if (capture_ == Capture::Drag) {
        OnDragMove(point);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const Capture ended = std::exchange(capture_, Capture::None);
      ReleaseCapture();
      if (ended == Capture::Drag) EndDrag({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    }
    case WM_CAPTURECHANGED:
      // Esc, or another window took the mouse: whatever was dragged stays where it was.
      if (capture_ == Capture::Drag) TreeView_SelectDropTarget(control(kManagerTree), nullptr);
      capture_ = Capture::None;
      return 0;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) != control(kManagerList)) break;
      ShowListMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case kManagerRenameMessage:
      if (RenameGroup(servers_, renameFrom_, renameTo_) > 0) Changed();
      return 0;
    case WM_DESTROY: {
      WINDOWPLACEMENT placement{};
      placement.length = sizeof(placement);
      if (GetWindowPlacement(hwnd(), &placement)) settings_.SaveManagerPlacement(placement);
      break;
    }
  }
  return FormWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace rdc
