// The main window driven by the messages a user's actions produce: its layout
// read back from the live controls, the loaded servers and options, the
// selection, the keyboard rules, the vendor link and saving when it closes.
// clang-format off
#include <windows.h>  // before the other Windows headers
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>  // DROPFILES
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "launch/client_launch.h"
#include "model/startup.h"
#include "model/app_state.h"
#include "model/config_cipher.h"
#include "model/config_store_win32.h"
#include "model/shared_config_win32.h"
#include "os/file_lock_win32.h"
#include "test_files_win32.h"
#include "ui/control_ids.h"
#include "ui/login_dialog_win32.h"
#include "ui/main_window_win32.h"
#include "ui/master_password_dialog_win32.h"
#include "ui/message_loop_win32.h"
#include "import/server_importer_win32.h"
#include "os/system_error_win32.h"
#include "ui/window_messages.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using test::Command;
using test::ClipboardText;
using test::CtrlHeld;
using test::SetClipboardText;
using test::ExStyle;
using test::FontOf;
using test::PressKey;
using test::PumpMessages;
using test::ReadBytes;
using test::RecordingPrompt;
using test::ShownBox;
using test::Style;
using test::WindowText;
using test::WriteBytes;

// Two servers, the second with a Chinese host (中文主机), account (管理员) and
// remark (机房一), in GBK; forced login mode on, full screen, no start-up password.
const std::string kTwoServers =
    "127.0.0.1|3389|Administrator||office\r\n"
    "\xD6\xD0\xCE\xC4\xD6\xF7\xBB\xFA|3390|\xB9\xDC\xC0\xED\xD4\xB1|secret|"
    "\xBB\xFA\xB7\xBF\xD2\xBB\r\n"
    "#admin:1\r\n"
    "#Start:1\r\n"
    "#LoadinPass:<>\r\n";

// A read-only ms.ini is refused as Windows' own replace refuses it.
const ShownBox kSaveFailedBox{
    L"配置文件 ms.ini 保存失败，本次的修改尚未保存。\n" + SystemErrorText(ERROR_ACCESS_DENIED),
    L"保存失败", MB_RETRYCANCEL | MB_ICONERROR | MB_TASKMODAL};


class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::InitCommonControlsOnce(); }

  void TearDown() override {
    window_.reset();
    PumpMessages();
  }

  // Creates the window over `config` as the start-up read it from ms.ini.
  void Open(std::string config = "") {
    LoadConfig(state_, std::move(config));
    window_ = std::make_unique<MainWindow>(
        state_,
        MainWindowServices{OpenConfig(), launch_, sweeps_, opener_, prompt_, importer_, clock_});
    hwnd_ = window_->Create();
    ASSERT_NE(hwnd_, nullptr);
    PumpMessages();
  }

  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  HWND List() const { return Control(kMainServerList); }
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
  LRESULT Check(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0); }
  void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }

  // A left click in the list view at `point` (client coordinates). The button-up
  // is queued first: the list view watches the queue for it to tell a click from a drag.
  void ClickList(POINT point) {
    const LPARAM position = MAKELPARAM(point.x, point.y);
    PostMessageW(List(), WM_LBUTTONUP, 0, position);
    SendMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, position);
    PumpMessages();
  }

  POINT RowCentre(int row) const {
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    SendMessageW(List(), LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  }

  // What a click on a row does to the list view: that row becomes selected and focused.
  void SelectRow(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
  }

  std::wstring CellText(int row, int column) const {
    wchar_t buffer[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    return buffer;
  }

  LPARAM ItemData(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
  }

  // The row's state picture as the list view stores it: picture index + 1.
  unsigned StateImageBits(int row) const {
    return static_cast<unsigned>(SendMessageW(List(), LVM_GETITEMSTATE, static_cast<WPARAM>(row),
                                              LVIS_STATEIMAGEMASK)) >>
           12;
  }

  int RowCount() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }

  int FocusedId() const { return GetDlgCtrlID(GetFocus()); }

  // The plain text of ms.ini as the window saved it.
  std::string SavedText() const { return ConfigCipher(ReadBytes(store_.path())); }

  test::TestFolder folder_;
  ConfigFileStore store_{folder_.File(L"ms.ini")};
  std::optional<SharedConfig> config_;
  // ms.ini as the start-up read it: the loaded configuration, the file's stamp now.
  SharedConfig& OpenConfig() {
    config_.emplace(store_, state_.loadedConfig, store_.Stamp());
    return *config_;
  }
  AppState state_;
  // What the window times unsaved changes by: it moves when a test moves it.
  struct : SaveClock {
    std::uint64_t now = 1'000'000;
    std::uint64_t NowMs() override { return now; }
  } clock_;
  RecordingPrompt prompt_;  // outlives the window: no real box can block a test
  test::InertLaunchEnvironment launch_;
  test::NoSweeps sweeps_;
  test::RecordingAddressOpener opener_;
  SystemServerImporter importer_;
  std::unique_ptr<MainWindow> window_;
  HWND hwnd_ = nullptr;
};

using MainWindowLayout = MainWindowTest;
using MainWindowServers = MainWindowTest;
using MainWindowKeyboard = MainWindowTest;
using MainWindowClose = MainWindowTest;

// ---- Layout ----

TEST_F(MainWindowLayout, EveryControlOfTheDesignIsLiveWithItsPlaceClassCaptionAndStyles) {
  Open();
  test::ExpectLiveControlsMatch(hwnd_, MainWindowControls());
}

TEST_F(MainWindowLayout, FrameHasTitleFixedSizeAndNoMaximizeBox) {
  Open();
  EXPECT_EQ(WindowText(hwnd_), L"tarnwick.example 远程桌面连接器");
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  EXPECT_EQ(outer.right - outer.left, 497);
  EXPECT_EQ(outer.bottom - outer.top, 408);

  const LONG_PTR style = Style(hwnd_);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
  EXPECT_TRUE(ExStyle(hwnd_) & WS_EX_APPWINDOW);
  EXPECT_FALSE(ExStyle(hwnd_) & WS_EX_TOPMOST);
  EXPECT_NE(GetClassLongPtrW(hwnd_, GCLP_HICON), 0);

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 1);
}

TEST_F(MainWindowLayout, ControlKindsCarryTheirKeyStyles) {
  Open();
  EXPECT_EQ(Style(Control(kMainConnect)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  for (int id : {kMainAdd, kMainDelete, kMainEdit, kMainStartupPassword, kMainTemporaryLogin,
                 kMainVendorLink}) {
    EXPECT_EQ(Style(Control(id)) & BS_TYPEMASK, BS_PUSHBUTTON) << "control " << id;
  }
  for (int id : {kMainShareDisks, kMainForceAdmin})
    EXPECT_EQ(Style(Control(id)) & BS_TYPEMASK, BS_AUTOCHECKBOX) << "control " << id;
  for (int id : {kMainSmallScreen, kMainFullScreen})
    EXPECT_EQ(Style(Control(id)) & BS_TYPEMASK, BS_AUTORADIOBUTTON) << "control " << id;

  const LONG_PTR remark = Style(Control(kMainRemark));
  EXPECT_EQ(remark & (ES_READONLY | ES_MULTILINE), ES_READONLY | ES_MULTILINE);
  EXPECT_FALSE(remark & (WS_VSCROLL | WS_HSCROLL));
  EXPECT_TRUE(ExStyle(Control(kMainRemark)) & WS_EX_STATICEDGE);

  // The one-off password is typed in clear.
  HWND password = Control(kMainTemporaryPassword);
  EXPECT_FALSE(Style(password) & ES_PASSWORD);
  EXPECT_EQ(SendMessageW(password, EM_GETPASSWORDCHAR, 0, 0), 0);
  for (int id :
       {kMainTemporaryHost, kMainTemporaryPassword, kMainTemporaryAccount, kMainTemporaryPort}) {
    EXPECT_FALSE(Style(Control(id)) & (ES_MULTILINE | ES_READONLY)) << "control " << id;
    EXPECT_TRUE(ExStyle(Control(id)) & WS_EX_CLIENTEDGE) << "control " << id;
  }
}

TEST_F(MainWindowLayout, ListViewIsSingleSelectionReportWithFixedColumnsAndStatePictures) {
  Open();
  const LONG_PTR style = Style(List());
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  const LONG_PTR wanted = LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_FALSE(style & LVS_NOCOLUMNHEADER);
  EXPECT_TRUE(ExStyle(List()) & WS_EX_STATICEDGE);
  const LRESULT extended = SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_EQ(extended & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
            LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  EXPECT_FALSE(extended & LVS_EX_CHECKBOXES);

  // Headers that cannot be clicked to sort.
  HWND header = reinterpret_cast<HWND>(SendMessageW(List(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  EXPECT_FALSE(Style(header) & HDS_BUTTONS);
  ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 4);

  struct Expected {
    const wchar_t* title;
    int width;
    int format;
  };
  const Expected columns[] = {{L"主机IP地址", 130, LVCFMT_LEFT},
                              {L"端口", 50, LVCFMT_LEFT},
                              {L"登陆账号", 100, LVCFMT_CENTER},
                              {L"网络状态", 60, LVCFMT_CENTER}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(testing::Message() << "column " << i);
    wchar_t title[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = title;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(List(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(std::wstring(title), columns[i].title);
    EXPECT_EQ(column.cx, columns[i].width);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format);
  }

  auto states =
      reinterpret_cast<HIMAGELIST>(SendMessageW(List(), LVM_GETIMAGELIST, LVSIL_STATE, 0));
  ASSERT_NE(states, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(states), 3);
  int width = 0, height = 0;
  ImageList_GetIconSize(states, &width, &height);
  EXPECT_EQ(width, 12);
  EXPECT_EQ(height, 13);
  EXPECT_EQ(SendMessageW(List(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0) << "no icon list";
  EXPECT_EQ(SendMessageW(List(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0), 0) << "no icon list";
}

TEST_F(MainWindowLayout, NamedFontsAreSetAndOtherControlsUseTheDefaultGuiFont) {
  Open();
  const LOGFONTW connect = FontOf(Control(kMainConnect));
  EXPECT_EQ(std::wstring(connect.lfFaceName), L"宋体");
  EXPECT_EQ(connect.lfWeight, FW_BOLD);
  EXPECT_EQ(std::abs(connect.lfHeight), 12);
  EXPECT_EQ(connect.lfCharSet, GB2312_CHARSET);

  const LOGFONTW link = FontOf(Control(kMainVendorLink));
  EXPECT_EQ(std::wstring(link.lfFaceName), L"新宋体");
  EXPECT_EQ(link.lfWeight, FW_NORMAL);
  EXPECT_EQ(std::abs(link.lfHeight), 12);
  EXPECT_EQ(link.lfCharSet, GB2312_CHARSET);

  const LOGFONTW list = FontOf(List());
  EXPECT_EQ(std::wstring(list.lfFaceName), L"宋体");
  EXPECT_EQ(list.lfWeight, FW_NORMAL);
  EXPECT_EQ(std::abs(list.lfHeight), 12);

  const auto guiFont = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
  for (int id : {kMainAdd, kMainTemporaryHost, kMainLabelIp, kMainForceAdmin, kMainServerGroup})
    EXPECT_EQ(SendMessageW(Control(id), WM_GETFONT, 0, 0), guiFont) << "control " << id;
}

TEST_F(MainWindowLayout, OpensWithDesignStatesAndNoRows) {
  Open();
  EXPECT_FALSE(Enabled(kMainConnect));
  EXPECT_FALSE(Enabled(kMainDelete));
  for (int id : {kMainAdd, kMainEdit, kMainStartupPassword, kMainTemporaryLogin, kMainVendorLink,
                 kMainServerList, kMainTemporaryHost, kMainRemark, kMainShareDisks})
    EXPECT_TRUE(Enabled(id)) << "control " << id;
  EXPECT_EQ(Check(kMainSmallScreen), BST_CHECKED);
  EXPECT_EQ(Check(kMainFullScreen), BST_UNCHECKED);
  EXPECT_EQ(Check(kMainForceAdmin), BST_UNCHECKED);
  EXPECT_EQ(Check(kMainShareDisks), BST_UNCHECKED);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(window_->SelectedEntryNumber(), 0);
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(MainWindowLayout, ScreenRadioButtonsKeepExactlyOneSelected) {
  Open();
  Click(kMainFullScreen);
  EXPECT_EQ(Check(kMainFullScreen), BST_CHECKED);
  EXPECT_EQ(Check(kMainSmallScreen), BST_UNCHECKED);
  Click(kMainSmallScreen);
  EXPECT_EQ(Check(kMainSmallScreen), BST_CHECKED);
  EXPECT_EQ(Check(kMainFullScreen), BST_UNCHECKED);
}

// ---- Loaded servers and the selection ----

TEST_F(MainWindowServers, LoadedConfigurationFillsRowsAndSetsOptions) {
  Open(kTwoServers);
  ASSERT_EQ(RowCount(), 2);
  const std::vector<std::vector<std::wstring>> cells{
      {L"127.0.0.1", L"3389", L"Administrator", L"..."}, {L"中文主机", L"3390", L"管理员", L"..."}};
  for (int row = 0; row < 2; ++row) {
    SCOPED_TRACE(testing::Message() << "row " << row);
    for (int column = 0; column < 4; ++column)
      EXPECT_EQ(CellText(row, column), cells[row][column]) << "column " << column;
    EXPECT_EQ(ItemData(row), row + 1);
    EXPECT_EQ(StateImageBits(row), 3u) << "pending is picture 2, stored as 3";
  }
  EXPECT_EQ(Check(kMainForceAdmin), BST_CHECKED);
  EXPECT_EQ(Check(kMainFullScreen), BST_CHECKED);
  EXPECT_EQ(Check(kMainSmallScreen), BST_UNCHECKED);
  EXPECT_EQ(window_->SelectedEntryNumber(), 0);
  // Loading selects nothing, so the buttons that need a selection stay disabled.
  EXPECT_FALSE(Enabled(kMainConnect));
  EXPECT_FALSE(Enabled(kMainDelete));
}

TEST_F(MainWindowServers, RefreshShowsEachStatusWithItsTextAndPicture) {
  Open(kTwoServers);
  state_.servers[0].status = ServerStatus::Online;
  state_.servers[1].status = ServerStatus::Offline;
  SelectRow(1);
  window_->RefreshServerView();
  ASSERT_EQ(RowCount(), 2);
  EXPECT_EQ(CellText(0, 3), L"在线");
  EXPECT_EQ(StateImageBits(0), 1u);
  EXPECT_EQ(CellText(1, 3), L"离线");
  EXPECT_EQ(StateImageBits(1), 2u);
  EXPECT_EQ(ItemData(1), 2);
  EXPECT_EQ(window_->SelectedEntryNumber(), 0) << "a rebuild drops the selection";
}

TEST_F(MainWindowServers, SelectingRowEnablesButtonsAndShowsItsRemarkHostAndPort) {
  Open(kTwoServers);
  SetWindowTextW(Control(kMainTemporaryAccount), L"typed account");
  SetWindowTextW(Control(kMainTemporaryPassword), L"typed password");
  SetWindowTextW(Control(kMainTemporaryHost), L"typed host");

  SelectRow(1);
  EXPECT_EQ(window_->SelectedEntryNumber(), 2);
  EXPECT_TRUE(Enabled(kMainConnect));
  EXPECT_TRUE(Enabled(kMainDelete));
  EXPECT_EQ(WindowText(Control(kMainRemark)), L"机房一");
  EXPECT_EQ(WindowText(Control(kMainTemporaryHost)), L"中文主机");
  EXPECT_EQ(WindowText(Control(kMainTemporaryPort)), L"3390");
  EXPECT_EQ(WindowText(Control(kMainTemporaryAccount)), L"typed account");
  EXPECT_EQ(WindowText(Control(kMainTemporaryPassword)), L"typed password");

  // Another row replaces what the first one showed.
  SelectRow(0);
  EXPECT_EQ(window_->SelectedEntryNumber(), 1);
  EXPECT_EQ(WindowText(Control(kMainRemark)), L"office");
  EXPECT_EQ(WindowText(Control(kMainTemporaryHost)), L"127.0.0.1");
  EXPECT_EQ(WindowText(Control(kMainTemporaryPort)), L"3389");
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(MainWindowServers, MouseClicksAndArrowKeysSelectRowsAndShowThem) {
  Open(kTwoServers);
  ClickList(RowCentre(1));
  EXPECT_EQ(window_->SelectedEntryNumber(), 2);
  EXPECT_EQ(GetFocus(), List());
  EXPECT_TRUE(Enabled(kMainConnect));
  EXPECT_TRUE(Enabled(kMainDelete));
  EXPECT_EQ(WindowText(Control(kMainTemporaryHost)), L"中文主机");
  EXPECT_EQ(WindowText(Control(kMainRemark)), L"机房一");

  // Below the last row: the selection goes, the buttons stay enabled.
  RECT client{};
  GetClientRect(List(), &client);
  ClickList({client.right / 4, client.bottom - 5});
  EXPECT_EQ(window_->SelectedEntryNumber(), 0);
  EXPECT_TRUE(Enabled(kMainConnect));
  EXPECT_TRUE(Enabled(kMainDelete));

  // The arrow keys move the selection and each row becomes the one shown.
  PressKey(List(), VK_UP);
  EXPECT_EQ(window_->SelectedEntryNumber(), 1);
  EXPECT_EQ(WindowText(Control(kMainTemporaryHost)), L"127.0.0.1");
  EXPECT_EQ(WindowText(Control(kMainRemark)), L"office");
  PressKey(List(), VK_DOWN);
  EXPECT_EQ(window_->SelectedEntryNumber(), 2);
  EXPECT_EQ(WindowText(Control(kMainTemporaryPort)), L"3390");
  EXPECT_EQ(GetFocus(), List());
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(MainWindowServers, RemarkLineBreaksShowAsSeparateLines) {
  // A bare LF survives in a remark read from the file; the server dialog gives CR LF.
  Open(
      "h1|1|a||\xB5\xDA\xD2\xBB\xD0\xD0\n\xB5\xDA\xB6\xFE\xD0\xD0\r\n"  // 第一行 LF 第二行
      "h2|2|a||x\r\n");
  state_.servers[1].remark = "one\r\ntwo\r\nthree";
  HWND remark = Control(kMainRemark);

  struct Case {
    int row;
    std::wstring text;  // an edit box breaks lines only at CR LF
    std::vector<std::wstring> lines;
  };
  const Case cases[] = {{0, L"第一行\r\n第二行", {L"第一行", L"第二行"}},
                        {1, L"one\r\ntwo\r\nthree", {L"one", L"two", L"three"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << c.row);
    SelectRow(c.row);
    EXPECT_EQ(WindowText(remark), c.text);
    ASSERT_EQ(SendMessageW(remark, EM_GETLINECOUNT, 0, 0), static_cast<LRESULT>(c.lines.size()));
    for (std::size_t n = 0; n < c.lines.size(); ++n) {
      wchar_t line[64] = {};
      line[0] = 64;  // EM_GETLINE takes the buffer size in its first character
      const LRESULT length = SendMessageW(remark, EM_GETLINE, n, reinterpret_cast<LPARAM>(line));
      EXPECT_EQ(std::wstring(line, static_cast<std::size_t>(length)), c.lines[n]) << "line " << n;
    }
  }
}

TEST_F(MainWindowServers, FocusWithoutSelectionEnablesButtonsAndKeepsFields) {
  Open(kTwoServers);
  LVITEMW item{};
  item.stateMask = LVIS_FOCUSED;
  item.state = LVIS_FOCUSED;
  SendMessageW(List(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_TRUE(Enabled(kMainConnect));
  EXPECT_TRUE(Enabled(kMainDelete));
  EXPECT_EQ(WindowText(Control(kMainTemporaryHost)), L"");
  EXPECT_EQ(WindowText(Control(kMainTemporaryPort)), L"3389");
  EXPECT_EQ(WindowText(Control(kMainRemark)), L"");
}

TEST_F(MainWindowServers, EditWithoutSelectionShowsSelectionMessageOnly) {
  Open(kTwoServers);
  Click(kMainEdit);
  const std::vector<ShownBox> expected{
      {L"请选择服务器列表！", L"操作错误", MB_ICONERROR | MB_OK | MB_TASKMODAL}};
  EXPECT_EQ(prompt_.boxes(), expected);
  EXPECT_EQ(RowCount(), 2);
  EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(MainWindowServers, VendorLinkOpensTheVendorAddressAndChangesNothing) {
  Open(kTwoServers);
  Click(kMainVendorLink);
  EXPECT_EQ(opener_.opened, std::vector<std::wstring>{L"https://tarnwick.example/"});
  EXPECT_TRUE(prompt_.boxes().empty());
  EXPECT_EQ(RowCount(), 2);
  EXPECT_TRUE(IsWindow(hwnd_));
}

// ---- Keyboard ----

TEST_F(MainWindowKeyboard, OpensWithFocusOnForcedLoginCheckBox) {
  Open();
  EXPECT_EQ(GetForegroundWindow(), hwnd_);
  EXPECT_EQ(FocusedId(), kMainForceAdmin);
}

TEST_F(MainWindowKeyboard, FocusReturnsToTheSameControlWhenTheWindowIsActivatedAgain) {
  Open(kTwoServers);
  SetFocus(Control(kMainTemporaryPort));
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(other);
  PumpMessages();
  ASSERT_EQ(GetForegroundWindow(), other);
  ASSERT_NE(GetFocus(), Control(kMainTemporaryPort));

  SetForegroundWindow(hwnd_);
  PumpMessages();
  EXPECT_EQ(GetForegroundWindow(), hwnd_);
  EXPECT_EQ(FocusedId(), kMainTemporaryPort);
  DestroyWindow(other);
}

// What a timer sees while a modal form runs over the main window.
struct ModalProbe {
  HWND main = nullptr;
  HWND formField = nullptr;
  bool ran = false;
  bool mainEnabledWhileOpen = true;
};
ModalProbe g_modal;

TEST_F(MainWindowKeyboard, ModalFormDisablesWindowAndClosingItGivesTheKeyboardBack) {
  Open(kTwoServers);
  SetFocus(Control(kMainTemporaryPort));
  AppState formState;
  LoginDialog form(formState, prompt_, [] {});
  ASSERT_NE(form.Create(), nullptr);
  g_modal = {hwnd_, GetDlgItem(form.hwnd(), kLoginPassword)};
  SetTimer(form.hwnd(), 1, 10, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    g_modal.ran = true;
    g_modal.mainEnabledWhileOpen = IsWindowEnabled(g_modal.main) != FALSE;
    PostMessageW(g_modal.formField, WM_KEYDOWN, VK_ESCAPE, 0);  // the user closes the form
  });
  // Should the key go astray, the form still closes and the test fails instead of hanging.
  SetTimer(form.hwnd(), 2, 5000, [](HWND hwnd, UINT, UINT_PTR, DWORD) { DestroyWindow(hwnd); });

  RunModal(form);
  PumpMessages();
  EXPECT_TRUE(g_modal.ran);
  EXPECT_FALSE(g_modal.mainEnabledWhileOpen);
  EXPECT_FALSE(IsWindow(form.hwnd()));
  ASSERT_TRUE(IsWindow(hwnd_)) << "Esc closed only the form";
  EXPECT_TRUE(IsWindowEnabled(hwnd_));
  EXPECT_EQ(GetForegroundWindow(), hwnd_);
  EXPECT_EQ(FocusedId(), kMainTemporaryPort);
}

TEST_F(MainWindowKeyboard, TabFollowsDesignOrderSkipsDisabledAndWraps) {
  Open();
  SetFocus(Control(kMainForceAdmin));
  const std::vector<int> expected{kMainAdd,
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
                                  kMainVendorLink,
                                  kMainForceAdmin};
  std::vector<int> visited;
  for (std::size_t n = 0; n < expected.size(); ++n) {
    PressKey(GetFocus(), VK_TAB);
    visited.push_back(FocusedId());
  }
  EXPECT_EQ(visited, expected);
  // Walking through the radio buttons does not change the choice.
  EXPECT_EQ(Check(kMainSmallScreen), BST_CHECKED);
  EXPECT_EQ(Check(kMainFullScreen), BST_UNCHECKED);
}

TEST_F(MainWindowKeyboard, ArrowsSelectTheRadioButtonTheyReachAndSpaceTogglesACheckBox) {
  Open();
  SetFocus(Control(kMainSmallScreen));
  const struct {
    UINT key;
    int focused;
  } steps[] = {{VK_DOWN, kMainFullScreen}, {VK_UP, kMainSmallScreen}, {VK_RIGHT, kMainFullScreen},
               {VK_LEFT, kMainSmallScreen}};
  for (const auto& step : steps) {
    PressKey(GetFocus(), step.key);
    ASSERT_EQ(FocusedId(), step.focused) << "the arrow keys stay within the group";
    EXPECT_EQ(Check(kMainFullScreen), step.focused == kMainFullScreen ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(Check(kMainSmallScreen), step.focused == kMainSmallScreen ? BST_CHECKED : BST_UNCHECKED);
  }
  // On other controls the arrow keys move nothing.
  SetFocus(Control(kMainAdd));
  PressKey(GetFocus(), VK_DOWN);
  EXPECT_EQ(FocusedId(), kMainAdd);

  SetFocus(Control(kMainForceAdmin));
  for (const LRESULT expected : {BST_CHECKED, BST_UNCHECKED}) {
    PressKey(GetFocus(), VK_SPACE);
    PostMessageW(GetFocus(), WM_KEYUP, VK_SPACE, 0xC0000001);
    PumpMessages();
    EXPECT_EQ(Check(kMainForceAdmin), expected);
  }
}

TEST_F(MainWindowKeyboard, ShiftTabWalksTheOrderBackwards) {
  Open();
  SetFocus(Control(kMainForceAdmin));
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  std::vector<int> visited;
  for (int n = 0; n < 3; ++n) {
    PressKey(GetFocus(), VK_TAB);
    visited.push_back(FocusedId());
  }
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(visited, (std::vector<int>{kMainVendorLink, kMainShareDisks, kMainTemporaryLogin}));
}

TEST_F(MainWindowKeyboard, TabVisitsConnectAndDeleteOnceEnabled) {
  Open(kTwoServers);
  SelectRow(0);
  SetFocus(Control(kMainForceAdmin));
  std::vector<int> visited;
  for (int n = 0; n < 4; ++n) {
    PressKey(GetFocus(), VK_TAB);
    visited.push_back(FocusedId());
  }
  EXPECT_EQ(visited, (std::vector<int>{kMainConnect, kMainAdd, kMainDelete, kMainEdit}));
}

TEST_F(MainWindowKeyboard, EnterDoesNothingWhileConnectIsDisabled) {
  Open(kTwoServers);
  test::CommandRecorder recorder(hwnd_);
  for (int id : {kMainServerList, kMainTemporaryHost, kMainForceAdmin}) {
    SetFocus(Control(id));
    PressKey(Control(id), VK_RETURN);
    EXPECT_EQ(FocusedId(), id) << "Enter never moves the focus";
  }
  EXPECT_EQ(std::count_if(recorder.commands().begin(), recorder.commands().end(),
                          [](const Command& c) { return c.id == kMainConnect; }),
            0);
  EXPECT_TRUE(prompt_.boxes().empty());
  EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(MainWindowKeyboard, EnterClicksConnectOnceEnabledFromListAndEditBoxes) {
  Open(kTwoServers);
  SelectRow(0);
  ASSERT_TRUE(Enabled(kMainConnect));
  test::CommandRecorder recorder(hwnd_);
  int clicks = 0;
  for (int id : {kMainServerList, kMainRemark, kMainTemporaryHost}) {
    SCOPED_TRACE(testing::Message() << "focus in control " << id);
    SetFocus(Control(id));
    PressKey(Control(id), VK_RETURN);
    ++clicks;
    std::vector<Command> connect;
    for (const Command& c : recorder.commands())
      if (c.id == kMainConnect) connect.push_back(c);
    EXPECT_EQ(connect, std::vector<Command>(clicks, Command{kMainConnect, BN_CLICKED}));
    EXPECT_EQ(FocusedId(), id);
  }
}

TEST_F(MainWindowKeyboard, EscClosesWindowAndSavesConfiguration) {
  Open(kTwoServers);
  PressKey(List(), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(SavedText(), kTwoServers);
  EXPECT_TRUE(prompt_.boxes().empty());
}

// ---- Closing and saving ----

TEST_F(MainWindowClose, CloseBoxSavesServersOptionsAndStartupPassword) {
  Open(kTwoServers);
  state_.startupPassword = "pw";
  Click(kMainForceAdmin);   // clears it
  Click(kMainSmallScreen);  // full screen off
  Click(kMainShareDisks);   // not part of the file
  SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpMessages();
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(SavedText(),
            "127.0.0.1|3389|Administrator||office\r\n"
            "\xD6\xD0\xCE\xC4\xD6\xF7\xBB\xFA|3390|\xB9\xDC\xC0\xED\xD4\xB1|secret|"
            "\xBB\xFA\xB7\xBF\xD2\xBB\r\n"
            "#Start:0\r\n"
            "#LoadinPass:<pw>\r\n");
}

// kTwoServers with forced login mode cleared.
const std::string kTwoServersNoAdmin =
    "127.0.0.1|3389|Administrator||office\r\n"
    "\xD6\xD0\xCE\xC4\xD6\xF7\xBB\xFA|3390|\xB9\xDC\xC0\xED\xD4\xB1|secret|"
    "\xBB\xFA\xB7\xBF\xD2\xBB\r\n"
    "#Start:1\r\n"
    "#LoadinPass:<>\r\n";

TEST_F(MainWindowClose, FailedSaveAsksAndRetrySavesOnceFileIsWritable) {
  WriteBytes(store_.path(), ConfigCipher(kTwoServers));
  SetFileAttributesW(store_.path().c_str(), FILE_ATTRIBUTE_READONLY);
  Open(kTwoServers);
  Click(kMainForceAdmin);
  prompt_.AnswerWith([this](const ShownBox&) {
    SetFileAttributesW(store_.path().c_str(), FILE_ATTRIBUTE_NORMAL);  // the user fixes it
    return IDRETRY;
  });
  SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpMessages();
  EXPECT_EQ(prompt_.boxes(), std::vector<ShownBox>{kSaveFailedBox});
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(SavedText(), kTwoServersNoAdmin);
}

TEST_F(MainWindowClose, FailedSaveAsksAgainOnRetryAndCancelClosesKeepingOldFile) {
  WriteBytes(store_.path(), ConfigCipher(kTwoServers));
  SetFileAttributesW(store_.path().c_str(), FILE_ATTRIBUTE_READONLY);
  Open(kTwoServers);
  Click(kMainForceAdmin);
  prompt_.AnswerWith([&](const ShownBox&) {
    EXPECT_TRUE(IsWindow(hwnd_)) << "the window waits for the answer";
    return prompt_.boxes().size() == 1 ? IDRETRY : IDCANCEL;
  });
  PressKey(List(), VK_ESCAPE);
  EXPECT_EQ(prompt_.boxes(), std::vector<ShownBox>(2, kSaveFailedBox));
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(SavedText(), kTwoServers);
}

TEST_F(MainWindowClose, CloseRequestWhileTheFailureBoxIsUpIsNotRunTwice) {
  WriteBytes(store_.path(), ConfigCipher(kTwoServers));
  SetFileAttributesW(store_.path().c_str(), FILE_ATTRIBUTE_READONLY);
  Open(kTwoServers);
  Click(kMainForceAdmin);
  prompt_.AnswerWith([this](const ShownBox&) {
    // Another program asks the window to close while the user reads the box.
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_)) << "the first close request is still deciding";
    SetFileAttributesW(store_.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    return IDRETRY;
  });
  SendMessageW(hwnd_, WM_CLOSE, 0, 0);
  PumpMessages();
  EXPECT_EQ(prompt_.boxes(), std::vector<ShownBox>{kSaveFailedBox});
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(SavedText(), kTwoServersNoAdmin);
}

TEST_F(MainWindowClose, EndOfSessionShowsNoBoxAnswersYesAndSavesWhenItCan) {
  WriteBytes(store_.path(), ConfigCipher(kTwoServers));
  SetFileAttributesW(store_.path().c_str(), FILE_ATTRIBUTE_READONLY);
  Open(kTwoServers);
  Click(kMainForceAdmin);
  EXPECT_EQ(SendMessageW(hwnd_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_EQ(SavedText(), kTwoServers);

  SetFileAttributesW(store_.path().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(SendMessageW(hwnd_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_EQ(SavedText(), kTwoServersNoAdmin);
  EXPECT_TRUE(prompt_.boxes().empty());
}

// ---- The list's context menu and keys ----

using MainWindowListCommands = MainWindowTest;

TEST_F(MainWindowListCommands, ContextMenuActsOnTheRowItOpensOnAndGreysRowItemsElsewhere) {
  Open(kTwoServers);
  const std::vector<std::wstring> onRow{
      L"连接(&C)", L"修改(&E)...", L"删除(&D)",   L"",          L"复制地址(&A)",
      L"",         L"添加(&N)...", L"导入(&I)...", L"管理(&M)..."};
  const std::vector<std::wstring> onEmpty{
      L"~连接(&C)", L"~修改(&E)...", L"~删除(&D)",  L"",          L"~复制地址(&A)",
      L"",          L"添加(&N)...",  L"导入(&I)...", L"管理(&M)..."};
  const struct {
    const char* name;
    POINT client;  // in the list; {-1, -1}: from the keyboard
    int selectedBefore;
    WPARAM key;
    std::vector<std::wstring> items;
    const wchar_t* clipboard;  // after the menu closed
  } cases[] = {
      {"right-click on a row copies its address", RowCentre(1), -1, L'a', onRow, L"中文主机:3390"},
      {"menu key at the selected row", {-1, -1}, 0, L'a', onRow, L"127.0.0.1:3389"},
      {"right-click below the rows",
       {RowCentre(1).x, RowCentre(1).y + 60},
       -1,
       VK_ESCAPE,
       onEmpty,
       L"untouched"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetClipboardText(L"untouched");
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (c.selectedBefore >= 0) SelectRow(c.selectedBefore);
    POINT screen = c.client;
    if (screen.x != -1) ClientToScreen(List(), &screen);
    const test::MenuSeen seen = test::ContextMenuOf(List(), screen, c.key);
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.items, c.items);
    EXPECT_EQ(ClipboardText(), c.clipboard);
  }
}

TEST_F(MainWindowListCommands, DeleteF2InsertAndCtrlCInTheListRunTheirOperations) {
  Open(kTwoServers);
  SelectRow(0);
  SetClipboardText(L"untouched");
  {
    CtrlHeld ctrl;
    PressKey(List(), 'C');
  }
  EXPECT_EQ(ClipboardText(), L"127.0.0.1:3389");

  for (const auto& [pressed, title] :
       {std::pair{VK_F2, L"修改服务器列表"}, std::pair{VK_INSERT, L"添加服务器列表"}}) {
    std::wstring seen;
    const auto key = static_cast<UINT>(pressed);  // a lambda may not capture a binding
    EXPECT_TRUE(test::WithModalForm(
        hwnd_, [&] { PressKey(List(), key); },
        [&](HWND form) {
          seen = WindowText(form);
          PostMessageW(form, WM_CLOSE, 0, 0);
        }));
    EXPECT_EQ(seen, title);
  }

  // Typing a host's first letters selects its row (the texts are given on demand).
  test::TypeText(List(), L"中");
  EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), 1);
  SelectRow(0);

  prompt_.AnswerWith([](const ShownBox&) { return IDOK; });
  PressKey(List(), VK_DELETE);
  ASSERT_EQ(prompt_.boxes().size(), 1u);
  EXPECT_EQ(prompt_.boxes()[0].text, L"确认删除该项？");
  EXPECT_EQ(RowCount(), 1);
}

// ---- Another copy of the program saving the same ms.ini ----

class MainWindowSharedFile : public MainWindowTest {
 protected:
  // Servers s1 to s`count`, each with the remark "r" and its number.
  static std::string Servers(int count) {
    std::string plain;
    for (int n = 1; n <= count; ++n)
      plain.append("s").append(std::to_string(n)).append("|3389|u||r").append(std::to_string(n)).append("\r\n");
    return plain + "#Start:0\r\n#LoadinPass:<>\r\n";
  }

  // Starts the window over ms.ini holding `plain`, as a run that read it.
  void OpenShared(const std::string& plain) {
    ASSERT_TRUE(WriteBytes(store_.path(), ConfigCipher(plain)));
    Open(plain);
  }

  // Another copy that read `read` saves `now` (its own changes), merged with the file.
  SaveResult OtherCopySaves(const std::string& read, const std::string& now) {
    const ConfigFileStore store(store_.path());
    SharedConfig other(store, read, store.Stamp());
    return other.Save(ParseConfigContent(now)).result;
  }

  // Pumps the window's messages until `done`, for at most `ms`.
  bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
      if (GetTickCount64() > end) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      PumpMessages();
    }
    return true;
  }

  int SelectedRow() const { return ListView_GetNextItem(List(), -1, LVNI_SELECTED); }

  // Another copy of the program in the middle of its save: it holds the lock.
  void HoldLock() {
    lock_.emplace(LockPathOf(store_));
    ASSERT_EQ(lock_->Acquire(0), static_cast<DWORD>(ERROR_SUCCESS));
  }
  void AddServer(const wchar_t* host) {
    EXPECT_TRUE(test::WithModalForm(
        hwnd_, [&] { Click(kMainAdd); },
        [&](HWND form) {
          SetWindowTextW(GetDlgItem(form, kServerHost), host);
          SendMessageW(GetDlgItem(form, kServerOk), BM_CLICK, 0, 0);
        }));
  }
  bool Saved(const char* host) const { return SavedText().find(host) != std::string::npos; }
  void RetryTick() { SendMessageW(hwnd_, WM_TIMER, kMainSaveRetryTimer, 0); }
  std::wstring Caption() const { return WindowText(hwnd_); }

  std::optional<FileLock> lock_;
  const std::wstring unsavedTitle_ = MainWindowTitle() + L" (未保存)";
  const ShownBox lockHeldBox_{
      L"配置文件 ms.ini 保存失败，本次的修改尚未保存。\n另一处正在保存 ms.ini", L"保存失败",
      MB_RETRYCANCEL | MB_ICONERROR | MB_TASKMODAL};
};

TEST_F(MainWindowSharedFile,
       ChangeMadeWhileAnotherCopySavesIsShownUnsavedAndSavedOnceTheLockIsFree) {
  const std::string read = Servers(2);
  OpenShared(read);
  HoldLock();
  AddServer(L"added");
  EXPECT_EQ(RowCount(), 3);
  EXPECT_EQ(Caption(), unsavedTitle_);
  EXPECT_EQ(SavedText(), read);
  EXPECT_TRUE(test::WithModalForm(
      hwnd_, [&] { Click(kMainStartupPassword); },
      [&](HWND form) {
        lock_.reset();
        RetryTick();
        EXPECT_EQ(SavedText(), read) << "nothing moves under an open dialog";
        PostMessageW(form, WM_CLOSE, 0, 0);
      }));
  // The retry timer's, well before the 10 s tick.
  ASSERT_TRUE(PumpUntil([&] { return Saved("\r\nadded|"); }, 5000));
  EXPECT_EQ(Caption(), MainWindowTitle());
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(MainWindowSharedFile, ReloadFindingTheLockHeldIsMadeOnceItIsFreeWithoutAWord) {
  const std::string read = Servers(2);
  OpenShared(read);
  ASSERT_TRUE(OtherCopySaves(read, Servers(3)).saved());
  HoldLock();
  SendMessageW(hwnd_, kConfigChangedMessage, 0, 0);
  PumpUntil([] { return false; }, 300);  // the folder's notification comes meanwhile
  EXPECT_EQ(RowCount(), 2);
  lock_.reset();
  ASSERT_TRUE(PumpUntil([&] { return RowCount() == 3; }, 5000));
  EXPECT_EQ(Caption(), MainWindowTitle());
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(MainWindowSharedFile, LockHeld30sAfterTheChangeAsksAndCancelKeepsTheChangeForTheNextSave) {
  const std::string read = Servers(2);
  OpenShared(read);
  HoldLock();
  AddServer(L"first");
  // Retry at the first box: another 30 s; Cancel at the second.
  prompt_.AnswerWith(
      [&](const ShownBox&) { return prompt_.boxes().size() == 1 ? IDRETRY : IDCANCEL; });
  const struct {
    std::uint64_t waitedMs;
    std::size_t boxes;
  } ticks[] = {{29'999, 0}, {1, 1}, {29'999, 1}, {1, 2}};
  for (const auto& tick : ticks) {
    clock_.now += tick.waitedMs;
    RetryTick();
    EXPECT_EQ(prompt_.boxes().size(), tick.boxes) << "after " << clock_.now;
  }
  EXPECT_EQ(prompt_.boxes(), std::vector<ShownBox>(2, lockHeldBox_));
  EXPECT_EQ(RowCount(), 3);
  EXPECT_EQ(Caption(), unsavedTitle_);
  lock_.reset();
  RetryTick();
  EXPECT_EQ(SavedText(), read) << "given up until the next change";
  AddServer(L"second");
  EXPECT_TRUE(Saved("\r\nfirst|") && Saved("\r\nsecond|"));
  EXPECT_EQ(Caption(), MainWindowTitle());
}

TEST_F(MainWindowSharedFile, EndOfSessionWaitsALittleForAnotherCopysSave) {
  OpenShared(Servers(2));
  HoldLock();
  Click(kMainForceAdmin);
  std::thread release([this] {
    Sleep(300);
    lock_.reset();
  });
  EXPECT_EQ(SendMessageW(hwnd_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  release.join();
  EXPECT_TRUE(Saved("#admin:1"));
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(MainWindowSharedFile, CloseWhileAnotherCopySavesWaitsUntilSavedOrGivenUp) {
  const struct {
    const char* what;
    bool lockFreed;  // else the lock is held 30 s and the user gives up
  } rows[] = {{"the lock comes free", true}, {"held 30 s, Cancel", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    window_.reset();
    state_ = {};
    OpenShared(Servers(2));
    HoldLock();
    Click(kMainForceAdmin);
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_)) << "waits for its save";
    EXPECT_EQ(Caption(), unsavedTitle_);
    prompt_.AnswerWith([](const ShownBox&) { return IDCANCEL; });
    const std::size_t boxes = prompt_.boxes().size();
    if (row.lockFreed) lock_.reset();
    if (!row.lockFreed) clock_.now += kSaveWaitBeforeAskingMs;
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(hwnd_); }, 5000));
    EXPECT_EQ(Saved("#admin:1"), row.lockFreed);
    EXPECT_EQ(prompt_.boxes().size() - boxes, row.lockFreed ? 0u : 1u);
    lock_.reset();
  }
}

TEST_F(MainWindowSharedFile, AnotherCopysSaveShowsKeepingTheSelectionTopRowAndTakingItsOptions) {
  const std::string read = Servers(30);
  OpenShared(read);
  SelectRow(19);  // s20
  ListView_EnsureVisible(List(), 29, FALSE);
  ListView_EnsureVisible(List(), 10, FALSE);
  ASSERT_EQ(ListView_GetTopIndex(List()), 10);  // s11 shows first
  const std::wstring typedHost = WindowText(Control(kMainTemporaryHost));

  // There: s1 deleted, s20 edited, a server added first, forced login mode set.
  std::string now = read.substr(read.find("s2|"));
  now.insert(0, "new|1|u||\r\n");
  now.replace(now.find("s20|3389|u||r20"), 15, "s20b|3389|u||changed");
  now.insert(now.find("#Start"), "#admin:1\r\n");
  ASSERT_TRUE(OtherCopySaves(read, now).saved());
  // Told by the folder's change notification, well before the 10 s tick.
  ASSERT_TRUE(PumpUntil([&] { return CellText(0, 0) == L"new"; }, 5000));

  EXPECT_EQ(RowCount(), 30);
  EXPECT_EQ(SelectedRow(), 19);
  EXPECT_EQ(CellText(19, 0), L"s20b") << "the record that replaced the selected one";
  EXPECT_EQ(WindowText(Control(kMainRemark)), L"changed");
  EXPECT_EQ(WindowText(Control(kMainTemporaryHost)), typedHost) << "not the user's selection";
  EXPECT_EQ(ListView_GetTopIndex(List()), 10);
  EXPECT_EQ(CellText(10, 0), L"s11") << "the same server in the top row";
  EXPECT_EQ(Check(kMainForceAdmin), BST_CHECKED);
  EXPECT_TRUE(prompt_.boxes().empty());

  // The server selected here deleted there: no selection.
  const std::string before = ConfigCipher(ReadBytes(store_.path()));
  std::string deleted = before;
  deleted.erase(deleted.find("s20b|"), deleted.find("s21|") - deleted.find("s20b|"));
  ASSERT_TRUE(OtherCopySaves(before, deleted).saved());
  ASSERT_TRUE(PumpUntil([&] { return RowCount() == 29; }, 5000));
  EXPECT_EQ(SelectedRow(), -1);
  EXPECT_EQ(WindowText(Control(kMainRemark)), L"");
}

TEST_F(MainWindowSharedFile, SaveMadeWhileThisCopyStartedShowsAsItsWindowOpens) {
  const std::string read = Servers(2);
  ASSERT_TRUE(WriteBytes(store_.path(), ConfigCipher(read)));
  const FileStamp readStamp = store_.Stamp();
  // Another copy saves while this one asks for its start-up password, say.
  ASSERT_TRUE(OtherCopySaves(read, Servers(3)).saved());
  LoadConfig(state_, read);
  config_.emplace(store_, read, readStamp);
  window_ = std::make_unique<MainWindow>(
      state_, MainWindowServices{*config_, launch_, sweeps_, opener_, prompt_, importer_});
  hwnd_ = window_->Create();
  PumpMessages();
  EXPECT_EQ(RowCount(), 3);
}

TEST_F(MainWindowSharedFile, ReloadWaitsForTheModalDialogThenRuns) {
  const std::string read = Servers(2);
  OpenShared(read);
  EXPECT_TRUE(test::WithModalForm(
      hwnd_, [&] { Click(kMainStartupPassword); },
      [&](HWND form) {
        ASSERT_TRUE(OtherCopySaves(read, Servers(3)).saved());
        SendMessageW(hwnd_, kConfigChangedMessage, 0, 0);
        PumpUntil([] { return false; }, 500);  // the folder's notification comes meanwhile
        EXPECT_EQ(RowCount(), 2) << "nothing moves under an open dialog";
        PostMessageW(form, WM_CLOSE, 0, 0);
      }));
  EXPECT_EQ(RowCount(), 3) << "reloaded as the dialog closed";
}

// While the edit dialog is up, another copy deletes an earlier server and an
// import ends: neither moves the list under the dialog, and its OK edits the
// server it was opened for. The delete box's OK removes the server it asked
// about, though a reload moved the list while it was up.
TEST_F(MainWindowSharedFile, EditAndDeleteActOnTheirServerWhateverChangesTheListMeanwhile) {
  const std::string read = Servers(12);
  OpenShared(read);
  const std::wstring rdp = folder_.File(L"one.rdp");
  ASSERT_TRUE(WriteBytes(rdp, "full address:s:127.0.0.9\r\nusername:s:ops\r\n"));
  SelectRow(9);  // s10
  EXPECT_TRUE(test::WithModalForm(
      hwnd_, [&] { Click(kMainEdit); },
      [&](HWND form) {
        std::string now = read;
        now.erase(now.find("s3|"), now.find("s4|") - now.find("s3|"));
        ASSERT_TRUE(OtherCopySaves(read, now).saved());
        window_->ImportFiles({rdp});
        SendMessageW(hwnd_, kConfigChangedMessage, 0, 0);
        PumpUntil([] { return false; }, 1000);  // the import ends and the folder tells meanwhile
        EXPECT_EQ(RowCount(), 12) << "nothing moves under an open dialog";
        EXPECT_TRUE(prompt_.boxes().empty());
        SetWindowTextW(GetDlgItem(form, kServerHost), L"s10b");
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(kServerOk, BN_CLICKED), 0);
      }));
  ASSERT_TRUE(PumpUntil([&] { return !prompt_.boxes().empty(); }, 10000)) << "the import's box";
  std::string expected = Servers(12);
  expected.erase(expected.find("s3|"), expected.find("s4|") - expected.find("s3|"));
  expected.replace(expected.find("s10|"), 3, "s10b");
  expected.insert(expected.find("#Start"), "127.0.0.9|3389|ops||one\r\n");
  EXPECT_EQ(SavedText(), expected);
  EXPECT_EQ(RowCount(), 12);

  // s11, now in row 9, is asked about; another copy deletes s1 while the box is up.
  SelectRow(9);
  const std::string before = SavedText();
  prompt_.AnswerWith([&](const ShownBox&) {
    std::string now = before;
    now.erase(0, now.find("s2|"));
    EXPECT_TRUE(OtherCopySaves(before, now).saved());
    SendMessageW(hwnd_, kConfigChangedMessage, 0, 0);
    return IDOK;
  });
  Click(kMainDelete);
  std::string left = before;
  left.erase(0, left.find("s2|"));
  left.erase(left.find("s11|"), left.find("s12|") - left.find("s11|"));
  EXPECT_EQ(SavedText(), left);
}

TEST_F(MainWindowSharedFile, RunThatCouldNotReadTheFileNeitherWritesNorReloads) {
  const std::string unread = ConfigCipher(Servers(2));
  ASSERT_TRUE(WriteBytes(store_.path(), unread));
  store_.KeepFileAsItIs();
  Open("");
  ASSERT_TRUE(OtherCopySaves(Servers(2), Servers(3)).saved());
  SendMessageW(hwnd_, kConfigChangedMessage, 0, 0);
  PumpMessages();
  EXPECT_EQ(RowCount(), 0);
  EXPECT_TRUE(test::WithModalForm(
      hwnd_, [&] { Click(kMainAdd); },
      [](HWND form) { SendMessageW(GetDlgItem(form, kServerOk), BM_CLICK, 0, 0); }));
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(SavedText(), Servers(3));
}

// A drop of files the test writes: each file read by its content, what it
// holds appended with status "...", one box with the counts and the refusals.
TEST_F(MainWindowListCommands, DroppedFilesAreImportedAtTheEndAndSummedUpInOneBox) {
  Open(kTwoServers);
  const std::wstring rdp = folder_.File(L"机房 7.rdp");
  const std::wstring junk = folder_.File(L"notes.rdg");
  const std::wstring again = folder_.File(L"again.rdp");
  // UTF-16 LE with a byte order mark, as the system's client writes them.
  const std::wstring connection =
      L"\xFEFFscreen mode id:i:2\r\nfull address:s:127.0.0.9:3390\r\nusername:s:ops\r\n";
  WriteBytes(rdp, std::string(reinterpret_cast<const char*>(connection.data()),
                              connection.size() * sizeof(wchar_t)));
  WriteBytes(junk, "plain notes, no list");
  WriteBytes(again, "full address:s:127.0.0.1\r\nusername:s:Administrator\r\n");  // row 1

  // What the shell hands a window for a drop: DROPFILES, the paths, a NUL.
  std::wstring paths;
  for (const std::wstring* path : {&rdp, &junk, &again}) paths += *path + L'\0';
  paths += L'\0';
  HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                             sizeof(DROPFILES) + paths.size() * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), paths.data(),
         paths.size() * sizeof(wchar_t));
  GlobalUnlock(drop);
  EXPECT_TRUE(ExStyle(hwnd_) & WS_EX_ACCEPTFILES) << "the shell drops only on a window that takes files";
  SendMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  // The files are read on a thread of their own; the window answers meanwhile.
  EXPECT_EQ(RowCount(), 2);
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (prompt_.boxes().empty() && GetTickCount64() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    PumpMessages();
  }

  ASSERT_EQ(RowCount(), 3);
  EXPECT_EQ(CellText(2, 0), L"127.0.0.9");
  EXPECT_EQ(CellText(2, 1), L"3390");
  EXPECT_EQ(CellText(2, 2), L"ops");
  EXPECT_EQ(CellText(2, 3), L"...");
  EXPECT_EQ(state_.servers[2].remark, "\xBB\xFA\xB7\xBF 7");  // 机房 7, the file's name
  EXPECT_NE(SavedText().find("127.0.0.9|3390|ops|"), std::string::npos) << "saved at once";
  EXPECT_EQ(prompt_.boxes(),
            (std::vector<ShownBox>{{L"已导入 1 台服务器，跳过 1 台重复或无效的项。\n"
                                    L"无法导入：notes.rdg（不是可导入的服务器列表）",
                                    L"导入", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL}}));
}

// The import thread's master password question is asked on the window's
// thread, with the dialog, and its answer goes back to the import.
TEST(MainWindowImport, AMasterPasswordIsAskedOnTheWindowsThreadAndReachesTheImport) {
  test::InitCommonControlsOnce();
  class AskingImporter : public ServerImporter {
   public:
    ImportOutcome Import(const std::vector<std::wstring>&, const ServerList&,
                         MasterPasswordPrompt& prompt, std::stop_token) override {
      askedOn = GetCurrentThreadId();
      const std::optional<std::u16string> typed = prompt.AskMasterPassword(u"team.xml");
      ImportOutcome outcome;
      outcome.added.push_back({"127.0.0.5", "3389", "ops",
                               typed ? std::string(typed->begin(), typed->end()) : "-", ""});
      return outcome;
    }
    DWORD askedOn = 0;
  } importer;
  test::TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  AppState state;
  test::InertLaunchEnvironment launch;
  test::NoSweeps sweeps;
  test::RecordingAddressOpener opener;
  RecordingPrompt prompt;
  SharedConfig config(store, "", store.Stamp());
  MainWindow window(state, {config, launch, sweeps, opener, prompt, importer});
  HWND hwnd = window.Create();
  ASSERT_NE(hwnd, nullptr);

  std::wstring label;
  EXPECT_TRUE(test::WithModalForm(
      hwnd,
      [&] {
        window.ImportFiles({L"team.xml"});
        const ULONGLONG deadline = GetTickCount64() + 10000;
        while (prompt.boxes().empty() && GetTickCount64() < deadline) {
          MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
          PumpMessages();
        }
      },
      [&](HWND form) {
        label = WindowText(GetDlgItem(form, kMasterLabel));
        SetWindowTextW(GetDlgItem(form, kMasterPassword), L"s3cret");
        PostMessageW(form, WM_COMMAND, MAKEWPARAM(kMasterOk, BN_CLICKED), 0);
      }));
  EXPECT_EQ(label, MasterPasswordLabel(L"team.xml"));
  EXPECT_NE(importer.askedOn, GetCurrentThreadId()) << "the import ran on the window's thread";
  ASSERT_EQ(state.servers.size(), 1u);
  EXPECT_EQ(state.servers[0].password, "s3cret");
  EXPECT_EQ(prompt.boxes().size(), 1u);
}

// Closing the window stops a running import at once: the master password
// question it waits on is abandoned, nothing of it is added and no box comes.
TEST(MainWindowImport, ClosingTheWindowStopsARunningImportAndAddsNothing) {
  test::InitCommonControlsOnce();
  class WaitingImporter : public ServerImporter {
   public:
    ImportOutcome Import(const std::vector<std::wstring>&, const ServerList&,
                         MasterPasswordPrompt& prompt, std::stop_token stop) override {
      answer = prompt.AskMasterPassword(u"team.xml");
      // Then as long as a derivation of many rounds, until told to stop.
      std::mutex mutex;
      std::condition_variable_any never;
      std::unique_lock lock(mutex);
      never.wait(lock, stop, [] { return false; });
      stopped = stop.stop_requested();
      ImportOutcome outcome;
      outcome.added.push_back({"127.0.0.6", "3389", "ops", "", ""});
      return outcome;
    }
    std::optional<std::u16string> answer = u"<not asked>";
    bool stopped = false;
  } importer;
  test::TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  AppState state;
  test::InertLaunchEnvironment launch;
  test::NoSweeps sweeps;
  test::RecordingAddressOpener opener;
  RecordingPrompt prompt;
  SharedConfig config(store, "", store.Stamp());
  {
    MainWindow window(state, {config, launch, sweeps, opener, prompt, importer});
    HWND hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    window.ImportFiles({L"team.xml"});
    // The question is posted; the window is closed before it is shown.
    MSG message;
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!PeekMessageW(&message, hwnd, kImportQuestionMessage, kImportQuestionMessage, PM_NOREMOVE) &&
           GetTickCount64() < deadline)
      Sleep(10);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    PumpMessages();
  }
  EXPECT_EQ(importer.answer, std::nullopt);
  EXPECT_TRUE(importer.stopped);
  EXPECT_TRUE(state.servers.empty());
  EXPECT_TRUE(prompt.boxes().empty());
}

}  // namespace
}  // namespace rdc
