// The main window: its design table, its created and close events, the list
// view of the servers and the selection that drives the other controls.
#include "ui/main_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <utility>

#include "import/import_summary.h"
#include "model/server_address.h"
#include "model/server_by_name.h"
#include "os/owners_win32.h"
#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/hand_over_win32.h"
#include "ui/master_password_dialog_win32.h"
#include "ui/messages.h"
#include "ui/prompt_win32.h"
#include "ui/resources/resource_ids.h"
#include "ui/server_dialog_win32.h"
#include "ui/set_password_dialog_win32.h"
#include "os/system_error_win32.h"
#include "ui/vendor.h"
#include "ui/window_messages.h"

namespace rdc {
namespace {

const std::wstring kVendorLinkCaption = std::wstring(L"进入tarnwick站 ") + kVendorDomain;

constexpr DWORD kOptionEdit = ES_AUTOHSCROLL;
constexpr DWORD kRemarkEdit = ES_MULTILINE | ES_READONLY;

// Every control in its design order; positions are client coordinates.
const std::array<ControlSpec, 26> kControls{{
    {kMainServerGroup, ControlKind::GroupBox, L"服务器控制", 13, 5, 465, 180},
    {kMainTemporaryGroup, ControlKind::GroupBox, L"临时远程登陆", 13, 193, 344, 80},
    {kMainConnectionGroup, ControlKind::GroupBox, L"连接方式", 364, 194, 115, 79},
    {kMainRemarkGroup, ControlKind::GroupBox, L"备注", 14, 276, 344, 56},
    {kMainResolutionGroup, ControlKind::GroupBox, L"分辨率", 364, 276, 115, 56},
    {kMainVendorLink, ControlKind::Button, kVendorLinkCaption.c_str(), 119, 354, 232, 20, 0, 0,
     ControlFont::NSimSun12},
    {kMainServerList, ControlKind::ListView, L"", 21, 17, 344, 160,
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, WS_EX_STATICEDGE,
     ControlFont::Song12},
    {kMainConnect, ControlKind::DefaultButton, L"连接", 373, 17, 100, 30, WS_DISABLED, 0,
     ControlFont::SongBold12},
    {kMainAdd, ControlKind::Button, L"添加", 373, 49, 100, 30},
    {kMainDelete, ControlKind::Button, L"删除", 373, 81, 100, 30, WS_DISABLED},
    {kMainEdit, ControlKind::Button, L"修改", 373, 113, 100, 30},
    {kMainStartupPassword, ControlKind::Button, L"启动密码", 373, 146, 100, 30},
    {kMainLabelIp, ControlKind::Label, L"IP", 21, 211, 24, 16, kPlainLabel},
    {kMainTemporaryHost, ControlKind::Edit, L"", 45, 209, 136, 24, kOptionEdit, WS_EX_CLIENTEDGE},
    {kMainLabelPassword, ControlKind::Label, L"密码", 17, 241, 28, 24, kPlainLabel},
    {kMainTemporaryPassword, ControlKind::Edit, L"", 45, 240, 136, 24, kOptionEdit,
     WS_EX_CLIENTEDGE},
    {kMainLabelAccount, ControlKind::Label, L"账号", 189, 209, 24, 24, kPlainLabel},
    {kMainTemporaryAccount, ControlKind::Edit, L"administrator", 221, 209, 80, 24, kOptionEdit,
     WS_EX_CLIENTEDGE},
    {kMainLabelPort, ControlKind::Label, L"端口", 189, 241, 24, 24, kPlainLabel},
    {kMainTemporaryPort, ControlKind::Edit, L"3389", 221, 240, 80, 24, kOptionEdit,
     WS_EX_CLIENTEDGE},
    {kMainTemporaryLogin, ControlKind::Button, L"登陆", 307, 209, 40, 56},
    {kMainShareDisks, ControlKind::CheckBox, L"连接本地磁盘", 372, 212, 95, 24},
    {kMainForceAdmin, ControlKind::CheckBox, L"强制登陆模式", 372, 244, 95, 16},
    {kMainRemark, ControlKind::Edit, L"", 21, 289, 328, 36, kRemarkEdit, WS_EX_STATICEDGE},
    // The two radio buttons form one group: the first starts it, the next control ends it.
    {kMainSmallScreen, ControlKind::RadioButton, L"  小屏幕", 372, 291, 88, 16, WS_GROUP},
    {kMainFullScreen, ControlKind::RadioButton, L"  全屏幕", 372, 311, 80, 16},
}};

const std::vector<int> kFocusOrder{kMainForceAdmin,
                                   kMainConnect,
                                   kMainAdd,
                                   kMainDelete,
                                   kMainEdit,
                                   kMainFullScreen,
                                   kMainSmallScreen,
                                   kMainStartupPassword,
                                   kMainRemark,
                                   kMainServerList,
                                   kMainTemporaryHost,
                                   kMainTemporaryPassword,
                                   kMainTemporaryAccount,
                                   kMainTemporaryPort,
                                   kMainTemporaryLogin,
                                   kMainShareDisks,
                                   kMainVendorLink};

// The list's context menu, in order; each item runs what its button runs.
enum class ListCommand { None, Connect, Edit, Delete, CopyAddress, Add, Import };
struct ListMenuItem {
  ListCommand command;  // None: a separator
  const wchar_t* caption;
  bool needsRow;  // greyed on the list's empty area
};
constexpr std::array<ListMenuItem, 8> kListMenu{{
    {ListCommand::Connect, L"连接(&C)", true},
    {ListCommand::Edit, L"修改(&E)...", true},
    {ListCommand::Delete, L"删除(&D)", true},
    {ListCommand::None, nullptr, false},
    {ListCommand::CopyAddress, L"复制地址(&A)", true},
    {ListCommand::None, nullptr, false},
    {ListCommand::Add, L"添加(&N)...", false},
    {ListCommand::Import, L"导入(&I)...", false},
}};

// How long the save at the end of the session waits for another copy's lock:
// Windows gives a program a few seconds before it offers to end it.
constexpr DWORD kEndOfSessionLockWaitMs = 2000;

// The open-file dialog of 导入: its filter, then how much it may hand back.
constexpr wchar_t kImportFilter[] = L"服务器列表 (*.rdp;*.rdg;*.xml)\0*.rdp;*.rdg;*.xml\0";
constexpr DWORD kImportDialogChars = 64 * 1024;

struct Column {
  const wchar_t* title;
  int width;
  int format;
};
constexpr std::array<Column, 4> kColumns{{
    {L"主机IP地址", 130, LVCFMT_LEFT},
    {L"端口", 50, LVCFMT_LEFT},
    {L"登陆账号", 100, LVCFMT_CENTER},
    {L"网络状态", 60, LVCFMT_CENTER},
}};

// The state pictures at 96 DPI, and the sizes they are drawn at besides
// (150% and 200%) so that they stay sharp there.
constexpr int kStatePictureWidth = 12;
constexpr int kStatePictureHeight = 13;
struct DrawnStatePictures {
  int dpi;
  int resource;
};
constexpr std::array<DrawnStatePictures, 3> kDrawnStatePictures{{
    {96, IDB_STATUS},
    {144, IDB_STATUS_150},
    {192, IDB_STATUS_200},
}};

// The three state pictures at `dpi`, from the smallest drawing at least as
// large (the largest beyond 200%); a drawing of another size is stretched.
HIMAGELIST LoadStatePictures(int dpi) {
  const int width = ScaleToDpi(kStatePictureWidth, dpi);
  const int height = ScaleToDpi(kStatePictureHeight, dpi);
  int resource = kDrawnStatePictures.back().resource;
  for (const DrawnStatePictures& drawn : kDrawnStatePictures) {
    if (drawn.dpi >= dpi) {
      resource = drawn.resource;
      break;
    }
  }
  HIMAGELIST pictures = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 3, 0);
  const UniqueBitmap strip(
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                      IMAGE_BITMAP, 3 * width, height, LR_CREATEDIBSECTION)));
  ImageList_Add(pictures, strip.get(), nullptr);
  return pictures;
}

// The state pictures in their strip: 0 online, 1 offline, 2 pending. The list
// view's state-image bits hold the picture index + 1.
UINT StateImageOf(ServerStatus status) {
  int index = 2;
  if (status == ServerStatus::Online) index = 0;
  if (status == ServerStatus::Offline) index = 1;
  return INDEXTOSTATEIMAGEMASK(index + 1);
}

const wchar_t* StatusText(ServerStatus status) {
  switch (status) {
    case ServerStatus::Online: return L"在线";
    case ServerStatus::Offline: return L"离线";
    case ServerStatus::Pending: break;
  }
  return L"...";
}

}  // namespace

std::span<const ControlSpec> MainWindowControls() {
  return kControls;
}
const std::vector<int>& MainWindowFocusOrder() {
  return kFocusOrder;
}
std::wstring MainWindowTitle() {
  return std::wstring(kVendorDomain) + L" 远程桌面连接器";
}

FormFrame MainWindowFrame() {
  static const std::wstring title = MainWindowTitle();
  return {title.c_str(), 497, 408, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX};
}

void ShellAddressOpener::Open(const wchar_t* address) {
  // The result is ignored: a failed open changes nothing in the program.
  ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

MainWindow::MainWindow(AppState& state, MainWindowServices services)
    : state_(state), services_(services), import_(services.importer, {kImportQuestionMessage, kImportDoneMessage}) {}

HWND MainWindow::Create() {
  return FormWindow::Create(MainWindowFrame(), kControls, kFocusOrder, kMainConnect);
}

void MainWindow::OnCreated() {
  outcomes_ = std::make_shared<ProbeOutcomeQueue>(hwnd());
  SetUpListView();
  DragAcceptFiles(hwnd(), TRUE);  // files dropped on the window are imported
  for (int id :
       {kMainTemporaryHost, kMainTemporaryPassword, kMainTemporaryAccount, kMainTemporaryPort})
    SendMessageW(control(id), EM_SETLIMITTEXT, 0, 0);  // 0 lifts the default limit
  ApplyOptions(state_.options);
  RefreshServerView();
  // The first sweep starts as soon as the window has shown itself, so its
  // thousands of connects do not hold up the first paint.
  PostMessageW(hwnd(), kFirstSweepMessage, 0, 0);
  // 时钟1 starts a sweep every 10 s for as long as the window exists.
  SetTimer(hwnd(), kMainProbeTimer, services_.sweeps.PeriodMs(), nullptr);
  if (services_.config.active()) {
    folderWatch_ = std::make_unique<FolderWatch>(services_.config.folder(), hwnd(),
                                                 kConfigChangedMessage);
    // Another copy may have saved while this one started or asked for the password.
    PostMessageW(hwnd(), kConfigChangedMessage, 0, 0);
  }
}

void MainWindow::SetUpListView() {
  HWND list = control(kMainServerList);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (int i = 0; i < static_cast<int>(kColumns.size()); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = kColumns[i].format;
    column.cx = Scale(kColumns[i].width);
    column.pszText = const_cast<wchar_t*>(kColumns[i].title);
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
  // The state pictures are asked for like the texts, so a status change
  // touches the list view only to repaint a row that shows.
  ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
  ShowStatePictures();
}

void MainWindow::ShowStatePictures() {
  // The list view owns the list it shows; the one it showed before is ours to free.
  const UniqueImageList previous(
      ListView_SetImageList(control(kMainServerList), LoadStatePictures(dpi()), LVSIL_STATE));
}

void MainWindow::OnDpiChanged() {
  HWND list = control(kMainServerList);
  for (int i = 0; i < static_cast<int>(kColumns.size()); ++i)
    ListView_SetColumnWidth(list, i, Scale(kColumns[i].width));
  ShowStatePictures();
}

void MainWindow::RefreshServerView() {
  // Rows carry their entry number; their texts are asked for when shown
  // (LVN_GETDISPINFOW), so a rebuild of any length costs one insert per row.
  HWND list = control(kMainServerList);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  const int count = static_cast<int>(state_.servers.size());
  ListView_SetItemCount(list, count);
  for (int number = 1; number <= count; ++number) AppendRow(list, number);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void MainWindow::AppendRow(HWND list, int number) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = number - 1;  // at the end
  item.pszText = LPSTR_TEXTCALLBACKW;
  item.lParam = number;
  ListView_InsertItem(list, &item);  // columns 1 to 3 are never set: they ask too
}

void MainWindow::ResizeServerView() {
  HWND list = control(kMainServerList);
  const int count = static_cast<int>(state_.servers.size());
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  // The one selected and the one focused row (for all rows at once the list
  // view would tell of each of them).
  for (const int state : {LVNI_SELECTED, LVNI_FOCUSED}) {
    const int row = ListView_GetNextItem(list, -1, state);
    if (row >= 0) ListView_SetItemState(list, row, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
  if (count == 0) ListView_DeleteAllItems(list);
  for (int rows = ListView_GetItemCount(list); rows > count; --rows)
    ListView_DeleteItem(list, rows - 1);
  for (int number = ListView_GetItemCount(list) + 1; number <= count; ++number)
    AppendRow(list, number);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void MainWindow::ShowProbeOutcomes() {
  if (!outcomes_) return;  // a message from elsewhere before the window was made
  const std::vector<ProbeOutcome> outcomes = outcomes_->TakeAll();
  // Rows ask for their status when shown: only those on screen are repainted.
  HWND list = control(kMainServerList);
  const int top = ListView_GetTopIndex(list);
  const int bottom = top + ListView_GetCountPerPage(list);
  for (const ProbeOutcome& outcome : outcomes) {
    const int row = ApplyProbeOutcome(state_.servers, outcome);
    if (row >= top && row <= bottom) ListView_RedrawItems(list, row, row);
  }
}

void MainWindow::AnswerRow(NMLVDISPINFOW& request) const {
  LVITEMW& item = request.item;
  const ServerEntry* entry = EntryByNumber(state_.servers, static_cast<int>(item.lParam));
  if (!entry) entry = EntryByNumber(state_.servers, item.iItem + 1);
  if ((item.mask & LVIF_STATE) && entry) {
    item.state = (item.state & ~LVIS_STATEIMAGEMASK) | StateImageOf(entry->status);
  }
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
  std::wstring text;
  if (entry) {
    switch (item.iSubItem) {
      case 0: text = WideFromGbk(entry->host); break;
      case 1: text = WideFromGbk(entry->port); break;
      case 2: text = WideFromGbk(entry->account); break;
      case 3: text = StatusText(entry->status); break;
    }
  }
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

int MainWindow::SelectedEntryNumber() const {
  HWND list = control(kMainServerList);
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0) return 0;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!ListView_GetItem(list, &item)) return 0;
  return static_cast<int>(item.lParam);
}

std::uint64_t MainWindow::SelectedEntryId() const {
  const ServerEntry* entry = EntryByNumber(state_.servers, SelectedEntryNumber());
  return entry ? entry->id : 0;
}

bool MainWindow::HasSelection() const {
  if (SelectedEntryNumber() > 0) return true;
  ShowOperationError(kSelectServerFirst);
  return false;
}

ConfigOptions MainWindow::Options() const {
  return state_.options;
}

void MainWindow::TakeOptionsFromControls() {
  state_.options = {IsChecked(kMainForceAdmin), IsChecked(kMainFullScreen)};
}

void MainWindow::ApplyOptions(const ConfigOptions& options) {
  SetChecked(kMainForceAdmin, options.forceAdmin);
  SetChecked(kMainFullScreen, options.fullScreen);
  SetChecked(kMainSmallScreen, !options.fullScreen);
}

ConfigContent MainWindow::Content() const {
  return {state_.servers, state_.options, state_.startupPassword};
}

void MainWindow::ShowMerged(ConfigMerge& merge, bool keepSelection, bool tellConflicts) {
  HWND list = control(kMainServerList);
  const int top = ListView_GetTopIndex(list);
  const ServerEntry* topEntry = EntryByNumber(state_.servers, top + 1);
  const std::uint64_t topId = topEntry ? topEntry->id : 0;
  const ServerEntry* selected = EntryByNumber(state_.servers, SelectedEntryNumber());
  const std::uint64_t selectedId = keepSelection && selected ? selected->id : 0;

  state_.servers = std::move(merge.merged.servers);
  state_.startupPassword = std::move(merge.merged.startupPassword);
  const ConfigOptions options = state_.options;
  state_.options = merge.merged.options;
  if (state_.options.forceAdmin != options.forceAdmin ||
      state_.options.fullScreen != options.fullScreen)
    ApplyOptions(state_.options);  // each check box repaints at once
  ResizeServerView();

  // Row r carries on entry carriesOn[r] of the list before.
  const auto rowOf = [&merge](std::uint64_t id) {
    const auto found = std::find(merge.carriesOn.begin(), merge.carriesOn.end(), id);
    return id != 0 && found != merge.carriesOn.end()
               ? static_cast<int>(found - merge.carriesOn.begin())
               : -1;
  };
  if (selectedId != 0) {
    const int row = rowOf(selectedId);
    if (row >= 0) {
      // The selection stays on its server; the one-off login fields keep what they hold.
      restoringSelection_ = true;
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      restoringSelection_ = false;
    }
    const ServerEntry* entry = EntryByNumber(state_.servers, row + 1);
    SetText(kMainRemark, entry ? WithWindowsLineBreaks(WideFromGbk(entry->remark)).c_str() : L"");
  }
  // After the selection, which may scroll the list to show it.
  const int newTop = rowOf(topId);
  ScrollToTop(newTop >= 0 ? newTop : top);
  if (tellConflicts && merge.conflicts > 0) {
    services_.prompt.Show(MergeConflictsText(merge.conflicts).c_str(), kMergeCaption,
                          MB_OK | MB_ICONINFORMATION);
  }
}

void MainWindow::ScrollToTop(int row) {
  HWND list = control(kMainServerList);
  RECT first{LVIR_BOUNDS, 0, 0, 0};
  if (row < 0 || !ListView_GetItemRect(list, 0, &first, LVIR_BOUNDS)) return;
  // In report view the list scrolls by whole rows, given in pixels.
  ListView_Scroll(list, 0, (row - ListView_GetTopIndex(list)) * (first.bottom - first.top));
}

SaveResult MainWindow::SaveConfig(bool keepSelection, bool tellConflicts, DWORD waitMs) {
  SharedConfig::Saved saved = services_.config.Save(Content(), waitMs);
  ShowMerged(saved.merge, keepSelection, tellConflicts);
  return saved.result;
}

void MainWindow::SaveChanges(bool keepSelection) {
  SettleSave(SaveConfig(keepSelection, true), keepSelection);
}

void MainWindow::SettleSave(SaveResult result, bool keepSelection) {
  while (!result.saved()) {
    const std::uint64_t now = services_.clock.NowMs();
    if (FoundBusy(result)) {
      unsaved_.Busy(now);
      if (!unsaved_.AskDue(now)) break;  // tried again at the retry timer's ticks
    }
    const bool lockHeld =
        result.failedStep == SaveStep::Lock && result.error == ERROR_LOCK_VIOLATION;
    const std::wstring text = kSaveFailed + (L"\n" + (lockHeld ? std::wstring(kConfigLockHeld)
                                                               : SystemErrorText(result.error)));
    if (services_.prompt.Show(text.c_str(), kSaveFailedCaption, MB_RETRYCANCEL | MB_ICONERROR) !=
        IDRETRY) {
      unsaved_.Kept();  // goes with the next save
      break;
    }
    unsaved_.WaitAgain(services_.clock.NowMs());
    result = SaveConfig(keepSelection, true);
  }
  if (result.saved()) unsaved_.Saved();
  ShowSaveState();
}

void MainWindow::OnRetryTick() {
  // Held back while a modal window is up, as reloads are: the entry numbers
  // it works on must not move. A tick after it closes runs it.
  if (!IsWindowEnabled(hwnd())) return;
  if (unsaved_.retrying()) {
    SharedConfig::Saved saved = services_.config.Save(Content());
    // Still busy: nothing changed, the list stays as it shows.
    if (!FoundBusy(saved.result)) ShowMerged(saved.merge, true, true);
    SettleSave(saved.result, true);
  } else if (reloadBusy_) {
    CheckForChanges();
  }
  // The close waited for the save: it is made, or the user gave it up.
  if (closing_ && !unsaved_.retrying()) DestroyWindow(hwnd());
}

void MainWindow::ShowSaveState() {
  // A close that waits for its save keeps the timer, which ends it.
  if (unsaved_.retrying() || reloadBusy_ || closing_)
    SetTimer(hwnd(), kMainSaveRetryTimer, kSaveRetryPeriodMs, nullptr);
  else
    KillTimer(hwnd(), kMainSaveRetryTimer);
  if (captionMarked_ == unsaved_.unsaved()) return;
  captionMarked_ = unsaved_.unsaved();
  SetWindowTextW(hwnd(), (MainWindowTitle() + (captionMarked_ ? kUnsavedTitleMark : L"")).c_str());
}

bool MainWindow::HoldWhileModal(UINT message) {
  if (IsWindowEnabled(hwnd())) return false;
  if (std::find(heldWhileModal_.begin(), heldWhileModal_.end(), message) == heldWhileModal_.end())
    heldWhileModal_.push_back(message);
  return true;
}

void MainWindow::CheckForChanges() {
  if (HoldWhileModal(kConfigChangedMessage)) return;
  reloadBusy_ = false;
  if (!closing_ && services_.config.MayHaveChanged()) {
    // Another copy saving now: tried again at the retry timer's ticks, without a word.
    if (std::optional<ConfigMerge> merge = services_.config.Reload(Content(), &reloadBusy_))
      ShowMerged(*merge, true, true);
  }
  ShowSaveState();
}

void MainWindow::ShowSelectedServer() {
  SetEnabled(kMainDelete, true);
  SetEnabled(kMainConnect, true);
  if (restoringSelection_) return;
  const ServerEntry* entry = EntryByNumber(state_.servers, SelectedEntryNumber());
  if (!entry) return;  // the focused row is not selected: nothing to show
  SetText(kMainRemark, WithWindowsLineBreaks(WideFromGbk(entry->remark)).c_str());
  SetText(kMainTemporaryHost, WideFromGbk(entry->host).c_str());
  SetText(kMainTemporaryPort, WideFromGbk(entry->port).c_str());
}

LRESULT MainWindow::OnNotify(NMHDR* header) {
  if (header->idFrom != kMainServerList) return 0;
  if (header->code == LVN_GETDISPINFOW) {
    AnswerRow(*reinterpret_cast<NMLVDISPINFOW*>(header));
    return 0;
  }
  if (header->code == LVN_KEYDOWN) {
    OnListKey(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
    return 0;
  }
  if (header->code == NM_DBLCLK) {
    ConnectSelectedServer();  // where the pointer was does not matter
    return 0;
  }
  if (header->code == LVN_ITEMCHANGED) {
    const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_FOCUSED) &&
        !(change->uOldState & LVIS_FOCUSED))
      ShowSelectedServer();
  }
  return 0;
}

void MainWindow::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (id) {
    case kMainForceAdmin:
    case kMainSmallScreen:
    case kMainFullScreen: TakeOptionsFromControls(); return;
    case kMainConnect: ConnectSelectedServer(); return;
    case kMainTemporaryLogin: ConnectTemporaryLogin(); return;
    case kMainAdd: OpenServerDialog(0); return;
    case kMainEdit: EditSelectedServer(); return;
    case kMainDelete: DeleteSelectedServer(); return;
    case kMainStartupPassword: {
      const std::string before = state_.startupPassword;
      RunSetPasswordDialog(state_.startupPassword, services_.prompt);
      if (state_.startupPassword != before) SaveChanges(true);
      return;
    }
    case kMainVendorLink: services_.addresses.Open(kVendorAddress); return;
  }
}

void MainWindow::OpenServerDialog(std::uint64_t editedId) {
  const ServerDialogResult result = RunServerDialog(state_.servers, editedId, services_.prompt);
  if (result == ServerDialogResult::Unchanged) return;
  SaveChanges(false);
  if (result == ServerDialogResult::SavedAsNew)
    services_.prompt.Show(kEditedServerDeletedElsewhere, kMergeCaption, MB_OK | MB_ICONINFORMATION);
}

void MainWindow::EditSelectedServer() {
  if (HasSelection()) OpenServerDialog(SelectedEntryId());
}

void MainWindow::CopySelectedAddress() {
  const ServerEntry* entry = EntryByNumber(state_.servers, SelectedEntryNumber());
  if (!entry) return;
  const std::wstring text = WideFromGbk(HostWithPort(entry->host, entry->port));
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  void* locked = memory ? GlobalLock(memory.get()) : nullptr;
  if (!locked) return;
  std::memcpy(locked, text.c_str(), bytes);
  GlobalUnlock(memory.get());
  if (!OpenClipboard(hwnd())) return;
  EmptyClipboard();
  if (SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();  // the clipboard's now
  CloseClipboard();
}

void MainWindow::ShowListMenu(POINT screen) {
  HWND list = control(kMainServerList);
  int row = -1;
  if (screen.x == -1 && screen.y == -1) {
    // From the keyboard: at the selected row, or the list's corner.
    row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    RECT place{LVIR_BOUNDS, 0, 0, 0};
    if (row < 0 || !ListView_GetItemRect(list, row, &place, LVIR_BOUNDS)) place = {};
    screen = {place.left, place.bottom};
    ClientToScreen(list, &screen);
  } else {
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(list, &hit.pt);
    row = ListView_HitTest(list, &hit);
    if (row >= 0) {
      // The menu acts on the row it was opened on.
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
  const UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  for (const ListMenuItem& item : kListMenu) {
    if (item.command == ListCommand::None) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT state = item.needsRow && row < 0 ? MF_GRAYED : MF_ENABLED;
    AppendMenuW(menu.get(), MF_STRING | state, static_cast<UINT_PTR>(item.command), item.caption);
  }
  const auto chosen = static_cast<ListCommand>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x, screen.y,
                     0, hwnd(), nullptr));
  switch (chosen) {
    case ListCommand::Connect: ConnectSelectedServer(); return;
    case ListCommand::Edit: EditSelectedServer(); return;
    case ListCommand::Delete: DeleteSelectedServer(); return;
    case ListCommand::CopyAddress: CopySelectedAddress(); return;
    case ListCommand::Add: OpenServerDialog(0); return;
    case ListCommand::Import: ImportFromOpenDialog(); return;
    case ListCommand::None: return;
  }
}

void MainWindow::OnListKey(WORD key) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool other = GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0;
  if (other) return;
  if (control) {
    if (key == 'C') CopySelectedAddress();
    return;
  }
  switch (key) {
    case VK_DELETE: DeleteSelectedServer(); return;
    case VK_F2: EditSelectedServer(); return;
    case VK_INSERT: OpenServerDialog(0); return;
  }
}

void MainWindow::DeleteSelectedServer() {
  if (!HasSelection()) return;
  // The server the box asks about, wherever the list has put it when it closes.
  const std::uint64_t id = SelectedEntryId();
  if (services_.prompt.Show(kConfirmDelete, kConfirmDeleteCaption, MB_OKCANCEL) != IDOK) return;
  if (RemoveServer(state_.servers, EntryNumberOfId(state_.servers, id))) SaveChanges(false);
}

LaunchOptions MainWindow::CurrentLaunchOptions() const {
  return LaunchOptionsOf(state_.options, IsChecked(kMainShareDisks));
}

void MainWindow::ConnectSelectedServer() {
  ConnectEntry(SelectedEntryNumber());
}

void MainWindow::ConnectEntry(int number) {
  // The connect button takes no second click while the client starts.
  const bool connectEnabled = IsWindowEnabled(control(kMainConnect)) != FALSE;
  SetEnabled(kMainConnect, false);
  const LaunchOutcome outcome =
      ConnectSelected(services_.launch, state_.servers, number, CurrentLaunchOptions());
  SetEnabled(kMainConnect, connectEnabled);
  ReportRefusal(outcome);
}

void MainWindow::ConnectByName(const std::wstring& name) {
  const int number = EntryNumberByName(state_.servers, GbkFromWide(name));
  if (number == 0) {
    ShowOperationError(ServerNotFoundText(name).c_str());
    return;
  }
  ConnectEntry(number);
}

LRESULT MainWindow::TakeHandOver(const COPYDATASTRUCT* data) {
  if (!handedOver_.Take(data)) return FALSE;
  // Done after the sender has its answer: a box here must not keep it waiting.
  PostMessageW(hwnd(), kHandOverMessage, 0, 0);
  return TRUE;
}

void MainWindow::TakeHandOvers(HandedOver handedOver) {
  if (handedOver.empty()) return;
  for (std::wstring& name : handedOver.names) handedOver_.names.push_back(std::move(name));
  for (std::wstring& file : handedOver.files) handedOver_.files.push_back(std::move(file));
  PostMessageW(hwnd(), kHandOverMessage, 0, 0);
}

void MainWindow::ImportFiles(const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  if (import_.busy()) {
    waitingImports_.insert(waitingImports_.end(), paths.begin(), paths.end());
    return;
  }
  import_.Start(hwnd(), paths, state_.servers);
}

void MainWindow::ShowImportOutcome() {
  const std::optional<ImportOutcome> outcome = import_.TakeOutcome();
  if (!outcome) return;  // none ended (a foreign message)
  for (const ServerTexts& texts : outcome->added) AppendServer(state_.servers, texts);
  if (!outcome->added.empty()) SaveChanges(false);
  services_.prompt.Show(ComposeImportSummary(*outcome, kImportSummaryPhrases).c_str(),
                        kImportCaption, MB_OK | MB_ICONINFORMATION);
  ImportFiles(std::exchange(waitingImports_, {}));
}

void MainWindow::ImportFromOpenDialog() {
  std::wstring chosen(kImportDialogChars, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = kImportFilter;
  dialog.lpstrFile = chosen.data();
  dialog.nMaxFile = kImportDialogChars;
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return;
  // One file: its whole path. Several: the folder, then each name, each ending in a NUL.
  std::vector<std::wstring> parts;
  for (const wchar_t* part = chosen.c_str(); *part; part += wcslen(part) + 1)
    parts.emplace_back(part);
  std::vector<std::wstring> paths;
  if (parts.size() == 1) paths = parts;
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(parts[0] + L"\\" + parts[i]);
  ImportFiles(paths);
}

void MainWindow::ImportDropped(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(std::move(path));
  }
  DragFinish(drop);
  ImportFiles(paths);
}

void MainWindow::ConnectTemporaryLogin() {
  const TemporaryLogin login{
      GbkFromWide(Text(kMainTemporaryHost)), GbkFromWide(Text(kMainTemporaryPort)),
      GbkFromWide(Text(kMainTemporaryAccount)), GbkFromWide(Text(kMainTemporaryPassword))};
  ReportRefusal(ConnectTemporary(services_.launch, login, CurrentLaunchOptions()));
}

void MainWindow::ShowOperationError(const wchar_t* text) const {
  services_.prompt.Show(text, kOperationErrorCaption, MB_OK | MB_ICONERROR);
}

void ReportLaunchOutcome(const LaunchOutcome& outcome, MessagePrompt& prompt) {
  const UINT error = MB_OK | MB_ICONERROR;
  switch (outcome.result) {
    case LaunchResult::Started: return;
    case LaunchResult::NoSelection:
      prompt.Show(kSelectServerFirst, kOperationErrorCaption, error);
      return;
    case LaunchResult::IllegalCharacters:
      prompt.Show(kIllegalServerText, kOperationErrorCaption, error);
      return;
    case LaunchResult::ClientNotStarted: {
      const std::wstring text = kClientNotStarted + SystemErrorText(outcome.clientError);
      prompt.Show(text.c_str(), kConnectFailedCaption, error);
      return;
    }
  }
}

void MainWindow::ReportRefusal(const LaunchOutcome& outcome) const {
  ReportLaunchOutcome(outcome, services_.prompt);
}

void MainWindow::OnCloseRequest() {
  // A close request that comes while the failure box of an earlier one is up
  // (from another program, say) is left to that earlier one.
  if (closing_) return;
  closing_ = true;
  // The close is never refused; the options are saved with it. While another
  // copy holds the lock the window stays, answering, until its save is made
  // or the user gives it up (OnRetryTick).
  SaveChanges(true);
  if (!unsaved_.retrying()) DestroyWindow(hwnd());
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      // No box while Windows is ending the session, and the answer stays yes;
      // another copy's save is waited for a little.
      if (SaveConfig(true, false, kEndOfSessionLockWaitMs).saved()) unsaved_.Saved();
      ShowSaveState();
      return TRUE;
    case WM_ENABLE:
      // The modal window that held changes back has closed: they run now, after
      // the operation that opened that window has ended.
      if (wParam) {
        for (const UINT held : std::exchange(heldWhileModal_, {}))
          PostMessageW(hwnd(), held, 0, 0);
      }
      break;
    case kConfigChangedMessage: CheckForChanges(); return 0;
    case WM_CTLCOLORSTATIC:
      // A read-only edit box paints like a label; the remark box shows black on white.
      if (reinterpret_cast<HWND>(lParam) == control(kMainRemark)) {
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) != control(kMainServerList)) break;
      ShowListMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case WM_TIMER:
      if (wParam == kMainSaveRetryTimer) {
        OnRetryTick();
        return 0;
      }
      if (wParam != kMainProbeTimer) break;
      ShowProbeOutcomes();  // any whose message could not be posted
      services_.sweeps.Start(outcomes_, state_.servers);
      // Network folders may tell no change: the file's stamp is looked at too.
      CheckForChanges();
      return 0;
    case kFirstSweepMessage: services_.sweeps.Start(outcomes_, state_.servers); return 0;
    case WM_COPYDATA: return TakeHandOver(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kHandOverMessage:
      if (HoldWhileModal(kHandOverMessage)) return 0;
      for (const std::wstring& name : std::exchange(handedOver_.names, {})) ConnectByName(name);
      ImportFiles(std::exchange(handedOver_.files, {}));
      return 0;
    case WM_DROPFILES: ImportDropped(reinterpret_cast<HDROP>(wParam)); return 0;
    case kImportQuestionMessage: {
      MasterPasswordDialogPrompt dialog;
      import_.AnswerQuestion(dialog);
      return 0;
    }
    case kImportDoneMessage:
      if (!HoldWhileModal(kImportDoneMessage)) ShowImportOutcome();
      return 0;
    // The message only says that outcomes wait; its parameters are not read.
    case kProbeOutcomeMessage: ShowProbeOutcomes(); return 0;
    case WM_DESTROY:
      KillTimer(hwnd(), kMainProbeTimer);
      KillTimer(hwnd(), kMainSaveRetryTimer);
      folderWatch_.reset();
      import_.Cancel();  // nothing of a running import is added any more
      // The program ends with its main window, however the window was closed.
      PostQuitMessage(0);
      return 0;
  }
  return FormWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace rdc
