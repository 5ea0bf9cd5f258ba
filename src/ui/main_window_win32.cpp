// The main window: its created and close events, and the operations its
// controls, its list and its messages are bound to.
#include "ui/main_window_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "import/import_summary.h"
#include "model/server_address.h"
#include "model/recent_servers.h"
#include "model/server_by_name.h"
#include "os/owners_win32.h"
#include "text/text_win32.h"
#include "ui/clipboard_win32.h"
#include "ui/control_ids.h"
#include "ui/dropped_files_win32.h"
#include "ui/launch_outcome_win32.h"
#include "ui/list_menu_win32.h"
#include "ui/master_password_dialog_win32.h"
#include "ui/messages.h"
#include "ui/open_files_dialog_win32.h"
#include "ui/prompt_win32.h"
#include "ui/server_dialog_win32.h"
#include "ui/set_password_dialog_win32.h"
#include "ui/vendor.h"
#include "ui/window_messages.h"

namespace rdc {
namespace {

// How long the save at the end of the session waits for another copy's lock:
// Windows gives a program a few seconds before it offers to end it.
constexpr DWORD kEndOfSessionLockWaitMs = 2000;

// Has `window` draw itself once into a bitmap nobody sees: the screen shows
// nothing until the window's first paint.
void DrawOffScreen(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  const WindowDc screen(window);
  const UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  const UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
  if (!memory || !bitmap) return;
  const HGDIOBJ before = SelectObject(memory.get(), bitmap.get());
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
  SelectObject(memory.get(), before);
}

}  // namespace

MainWindow::MainWindow(AppState& state, MainWindowServices services)
    : state_(state),
      services_(services),
      saves_(services.prompt, services.clock, MainWindowTitle(), kMainSaveRetryTimer,
             [this](bool keepSelection) { return SaveConfig(keepSelection, true); }),
      import_(services.importer, {kImportQuestionMessage, kImportDoneMessage}) {}

HWND MainWindow::Create() {
  return FormWindow::Create(MainWindowFrame(), MainWindowControls(), MainWindowFocusOrder(),
                            kMainConnect);
}

void MainWindow::OnCreated() {
  outcomes_ = std::make_shared<ProbeOutcomeQueue>(hwnd());
  view_ = std::make_unique<ServerListView>(control(kMainServerList), MainWindowColumns(),
                                           state_.servers, dpi());
  saves_.SetWindow(hwnd());
  // Files dropped on the window are imported. The style is all DragAcceptFiles
  // sets; set here, the shell is not loaded before a file is dropped.
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, GetWindowLongPtrW(hwnd(), GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
  for (int id :
       {kMainTemporaryHost, kMainTemporaryPassword, kMainTemporaryAccount, kMainTemporaryPort})
    SendMessageW(control(id), EM_SETLIMITTEXT, 0, 0);  // 0 lifts the default limit
  ApplyOptions(state_.options);
  // The first sweep starts as soon as the window has shown itself, so its
  // thousands of connects do not hold up the first paint.
  PostMessageW(hwnd(), kFirstSweepMessage, 0, 0);
  // What second starts handed over while the start-up password was asked.
  if (services_.handOvers) PostMessageW(hwnd(), kHandOverMessage, 0, 0);
  // 时钟1 starts a sweep every 10 s for as long as the window exists.
  SetTimer(hwnd(), kMainProbeTimer, services_.sweeps.PeriodMs(), nullptr);
  // Another copy may have saved while this one started or asked for the
  // password. The folder watch starts with this first look, once the window
  // has shown itself: no thread of its own holds up the start.
  if (services_.config.active()) PostMessageW(hwnd(), kConfigChangedMessage, 0, 0);
}

void MainWindow::WatchFolder() {
  if (folderWatch_ || !services_.config.active()) return;
  folderWatch_ =
      std::make_unique<FolderWatch>(services_.config.folder(), hwnd(), kConfigChangedMessage);
}

void MainWindow::OnShown() {
  // Rows put into a list view not yet shown cost Wine's list view about 600
  // bytes more each (measured at 10,000 rows); shown, the window has not
  // painted yet, so its first paint still shows them. With the column
  // headings drawn once before, 10,000 rows cost Wine about 4.5 MB less
  // (measured; why is Wine's heap's own matter).
  if (!state_.servers.empty()) DrawOffScreen(ListView_GetHeader(control(kMainServerList)));
  RefreshServerView();
}

void MainWindow::OnDpiChanged() {
  view_->OnDpiChanged(dpi());
}

void MainWindow::RefreshServerView() {
  view_->Show();
}

void MainWindow::ShowProbeOutcomes() {
  if (!outcomes_) return;  // a message from elsewhere before the window was made
  std::vector<int> rows;
  for (const ProbeOutcome& outcome : outcomes_->TakeAll())
    rows.push_back(ApplyProbeOutcome(state_.servers, outcome));
  view_->RedrawRows(rows);
  if (manager_ && !rows.empty()) manager_->ShowStatusChanged();
}

int MainWindow::SelectedEntryNumber() const {
  // Row r shows entry r + 1.
  return view_ ? view_->SelectedRow() + 1 : 0;
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
  const bool hadSelection = keepSelection && SelectedEntryNumber() > 0;
  state_.servers = std::move(merge.merged.servers);
  state_.startupPassword = std::move(merge.merged.startupPassword);
  const ConfigOptions options = state_.options;
  state_.options = merge.merged.options;
  if (state_.options.forceAdmin != options.forceAdmin ||
      state_.options.fullScreen != options.fullScreen)
    ApplyOptions(state_.options);  // each check box repaints at once

  // The selection stays on its server; the one-off login fields keep what they hold.
  restoringSelection_ = true;
  view_->ShowChanged(merge.carriesOn, keepSelection);
  restoringSelection_ = false;
  if (manager_) manager_->ShowChanged(merge.carriesOn);
  if (hadSelection) {
    const ServerEntry* entry = EntryByNumber(state_.servers, SelectedEntryNumber());
    SetText(kMainRemark, entry ? WithWindowsLineBreaks(WideFromGbk(entry->remark)).c_str() : L"");
  }
  if (tellConflicts && merge.conflicts > 0) {
    services_.prompt.Show(MergeConflictsText(merge.conflicts).c_str(), kMergeCaption,
                          MB_OK | MB_ICONINFORMATION);
  }
}

SaveResult MainWindow::SaveConfig(bool keepSelection, bool tellConflicts, DWORD waitMs) {
  SharedConfig::Saved saved = services_.config.Save(Content(), waitMs);
  ShowMerged(saved.merge, keepSelection, tellConflicts);
  return saved.result;
}

void MainWindow::SaveChanges(bool keepSelection) {
  saves_.SaveNow(keepSelection);
  ShowSaveState();
}

void MainWindow::OnRetryTick() {
  // Held back while a modal window is up, as reloads are: the entry numbers
  // it works on must not move. A tick after it closes runs it.
  if (!IsWindowEnabled(hwnd())) return;
  if (saves_.retrying()) {
    SharedConfig::Saved saved = services_.config.Save(Content());
    // Still busy: nothing changed, the list stays as it shows.
    if (!FoundBusy(saved.result)) ShowMerged(saved.merge, true, true);
    saves_.Settle(saved.result, true);
    ShowSaveState();
  } else if (reloadBusy_) {
    CheckForChanges();
  }
  // The close waited for the save: it is made, or the user gave it up.
  if (closing_ && !saves_.retrying()) DestroyWindow(hwnd());
}

void MainWindow::ShowSaveState() {
  // A reload that found the file busy, and a close that waits for its save,
  // keep the timer, which ends them.
  saves_.ShowState(reloadBusy_ || closing_);
}

void MainWindow::CheckForChanges() {
  if (held_.Hold(hwnd(), kConfigChangedMessage)) return;
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
    view_->AnswerDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
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
    case kMainAdd: OpenServerDialog(0, {}); return;
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

void MainWindow::OpenServerDialog(std::uint64_t editedId, const std::string& groupOfNew) {
  const ServerDialogResult result =
      RunServerDialog(state_.servers, editedId, services_.prompt, groupOfNew);
  if (result == ServerDialogResult::Unchanged) return;
  SaveChanges(false);
  if (result == ServerDialogResult::SavedAsNew)
    services_.prompt.Show(kEditedServerDeletedElsewhere, kMergeCaption, MB_OK | MB_ICONINFORMATION);
}

void MainWindow::EditSelectedServer() {
  if (HasSelection()) OpenServerDialog(SelectedEntryId(), {});
}

void MainWindow::CopySelectedAddress() {
  const ServerEntry* entry = EntryByNumber(state_.servers, SelectedEntryNumber());
  if (entry) CopyTextToClipboard(hwnd(), WideFromGbk(HostWithPort(entry->host, entry->port)));
}

void MainWindow::ShowListMenu(POINT screen) {
  switch (TrackListMenu(hwnd(), control(kMainServerList), screen)) {
    case ListCommand::Connect: ConnectSelectedServer(); return;
    case ListCommand::Edit: EditSelectedServer(); return;
    case ListCommand::Delete: DeleteSelectedServer(); return;
    case ListCommand::CopyAddress: CopySelectedAddress(); return;
    case ListCommand::Add: OpenServerDialog(0, {}); return;
    case ListCommand::Import: ImportFiles(AskFilesToImport(hwnd())); return;
    case ListCommand::Manage: OpenManager(); return;
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
    case VK_INSERT: OpenServerDialog(0, {}); return;
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
  const ServerEntry* entry = EntryByNumber(state_.servers, number);
  if (outcome.result == LaunchResult::Started && entry) {
    std::vector<std::string> recent = services_.userSettings.RecentServers();
    NoteConnected(recent, RecentKeyOf(*entry));
    services_.userSettings.SaveRecentServers(recent);
    if (manager_) manager_->ShowRecentChanged();
  }
}

void MainWindow::ConnectServer(std::uint64_t id) {
  ConnectEntry(EntryNumberOfId(state_.servers, id));
}

void MainWindow::SaveListChange() {
  SaveChanges(true);
}

void MainWindow::OpenManager() {
  if (!manager_)
    manager_ = std::make_unique<ServerManager>(state_.servers, static_cast<ServerListOwner&>(*this),
                                               services_.prompt, services_.userSettings);
  manager_->Open(hwnd());
}

bool MainWindow::TranslateKey(const MSG& msg) {
  // Ctrl+M opens the server manager from anywhere in the window.
  if (msg.message == WM_KEYDOWN && msg.wParam == 'M' && GetKeyState(VK_CONTROL) < 0 &&
      GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_MENU) >= 0) {
    OpenManager();
    return true;
  }
  return FormWindow::TranslateKey(msg);
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
  if (data == nullptr || services_.handOvers == nullptr || !services_.handOvers->Take(*data))
    return FALSE;
  // Done after the sender has its answer: a box here must not keep it waiting.
  PostMessageW(hwnd(), kHandOverMessage, 0, 0);
  return TRUE;
}

void MainWindow::ImportFiles(const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  if (import_.busy()) {
    waitingImports_.insert(waitingImports_.end(), paths.begin(), paths.end());
    return;
  }
  import_.Start(hwnd(), paths, state_.servers);
}

void MainWindow::ExportServers(HWND from, const std::vector<std::uint64_t>& ids) {
  // Copies: the list may change while the dialog is up.
  std::vector<ServerEntry> servers;
  for (const std::uint64_t id : ids)
    if (const ServerEntry* entry = EntryByNumber(state_.servers, EntryNumberOfId(state_.servers, id)))
      servers.push_back(*entry);
  services_.exporter.Export(from, servers, CurrentLaunchOptions().shareDisks, services_.prompt);
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

void MainWindow::ConnectTemporaryLogin() {
  const TemporaryLogin login{
      GbkFromWide(Text(kMainTemporaryHost)), GbkFromWide(Text(kMainTemporaryPort)),
      GbkFromWide(Text(kMainTemporaryAccount)), GbkFromWide(Text(kMainTemporaryPassword))};
  ReportRefusal(ConnectTemporary(services_.launch, login, CurrentLaunchOptions()));
}

void MainWindow::ShowOperationError(const wchar_t* text) const {
  services_.prompt.Show(text, kOperationErrorCaption, MB_OK | MB_ICONERROR);
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
  if (!saves_.retrying()) DestroyWindow(hwnd());
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      // No box while Windows is ending the session, and the answer stays yes;
      // another copy's save is waited for a little.
      if (SaveConfig(true, false, kEndOfSessionLockWaitMs).saved()) saves_.Saved();
      ShowSaveState();
      return TRUE;
    case WM_ENABLE:
      // The modal window that held changes back has closed: they run now, after
      // the operation that opened that window has ended.
      held_.OnEnable(hwnd(), wParam != 0);
      break;
    case kConfigChangedMessage:
      WatchFolder();  // before the look: a save made after it is told
      CheckForChanges();
      return 0;
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
      if (held_.Hold(hwnd(), kHandOverMessage)) return 0;
      if (services_.handOvers) {
        const HandOverReceiver::Taken taken = services_.handOvers->TakeAll();
        for (const std::wstring& name : taken.names) ConnectByName(name);
        ImportFiles(taken.files);
      }
      return 0;
    case WM_DROPFILES: ImportFiles(TakeDroppedFiles(reinterpret_cast<HDROP>(wParam))); return 0;
    case kImportQuestionMessage: {
      MasterPasswordDialogPrompt dialog;
      import_.AnswerQuestion(dialog);
      return 0;
    }
    case kImportDoneMessage:
      if (!held_.Hold(hwnd(), kImportDoneMessage)) ShowImportOutcome();
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
