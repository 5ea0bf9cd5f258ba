// The server dialog and the set-password dialog driven by messages, alone and
// opened from the main window's add, edit, delete and 启动密码 buttons; the
// bulk edit and the move-to-group dialogs alone.
#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "launch/launch_environment_win32.h"
#include "model/startup.h"
#include "model/config_cipher.h"
#include "test_files_win32.h"
#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/bulk_edit_dialog_win32.h"
#include "ui/main_window_win32.h"
#include "ui/move_to_group_dialog_win32.h"
#include "ui/server_dialog_win32.h"
#include "import/server_importer_win32.h"
#include "ui/set_password_dialog_win32.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using test::PressKey;
using test::PumpMessages;
using test::RecordingPrompt;
using test::ShownBox;
using test::WindowText;

constexpr UINT kErrorBox = MB_OK | MB_ICONERROR | MB_TASKMODAL;
const ShownBox kUnstorableBox{L"服务器信息不能包含“|”或控制字符。", L"输入出错", kErrorBox};

HWND Item(HWND form, int id) {
  return GetDlgItem(form, id);
}
void Click(HWND form, int id) {
  SendMessageW(Item(form, id), BM_CLICK, 0, 0);
}
void Type(HWND form, int id, const wchar_t* text) {
  SetWindowTextW(Item(form, id), text);
}

class EditDialogsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::InitCommonControlsOnce(); }
  void TearDown() override { PumpMessages(); }

  // Opens the server dialog over `servers_` and leaves it open.
  std::unique_ptr<ServerDialog> OpenServerDialog(std::uint64_t editedId,
                                                 std::string groupOfNew = {}) {
    auto dialog =
        std::make_unique<ServerDialog>(servers_, editedId, prompt_, std::move(groupOfNew));
    EXPECT_NE(dialog->Create(), nullptr);
    PumpMessages();
    return dialog;
  }

  ServerList servers_;
  RecordingPrompt prompt_;
};

TEST_F(EditDialogsTest, ServerDialogOpensFromItsDesignInAddModeAndFromTheEntryInEditMode) {
  auto add = OpenServerDialog(0);
  HWND form = add->hwnd();
  test::ExpectLiveControlsMatch(form, ServerDialogControls());
  RECT outer{};
  GetWindowRect(form, &outer);
  EXPECT_EQ(outer.right - outer.left, 262);
  EXPECT_EQ(outer.bottom - outer.top, 331);
  EXPECT_EQ(WindowText(form), L"添加服务器列表");
  EXPECT_EQ(SendMessageW(Item(form, kServerPassword), EM_GETPASSWORDCHAR, 0, 0), L'*');
  EXPECT_EQ(GetFocus(), Item(form, kServerHost));
  add.reset();

  AppendServer(servers_, {"h", "p", "a", "pw", "one\r\ntwo"});
  auto edit = OpenServerDialog(servers_[0].id);
  form = edit->hwnd();
  EXPECT_EQ(WindowText(form), L"修改服务器列表");
  EXPECT_EQ(WindowText(Item(form, kServerOk)), L"修 改 列 表(EDIT LIST)");
  for (auto [id, text] : {std::pair{kServerHost, L"h"},
                          {kServerPort, L"p"},
                          {kServerAccount, L"a"},
                          {kServerPassword, L"pw"},
                          {kServerRemark, L"one\r\ntwo"}})
    EXPECT_EQ(WindowText(Item(form, id)), text);
}

// The dialog edits the server it was opened for, wherever the list has put it
// by the time OK is clicked; one deleted meanwhile is added anew.
TEST_F(EditDialogsTest, ServerDialogEditsTheServerItWasOpenedForWhereverItIsNow) {
  for (const char* host : {"a", "b", "c"}) AppendServer(servers_, {host, "1", "u", "", ""});
  const std::uint64_t b = servers_[1].id;
  const ServerEntry c = servers_[2];
  {
    auto dialog = OpenServerDialog(b);
    servers_.erase(servers_.begin());  // "a" deleted elsewhere: "b" is entry 1 now
    Type(dialog->hwnd(), kServerHost, L"b2");
    Click(dialog->hwnd(), kServerOk);
    EXPECT_EQ(dialog->result(), ServerDialogResult::Saved);
  }
  ASSERT_EQ(servers_.size(), 2u);
  EXPECT_EQ(servers_[0].host, "b2");
  EXPECT_EQ(servers_[0].id, b);
  EXPECT_EQ(servers_[1].host, c.host);

  auto dialog = OpenServerDialog(b);
  servers_.erase(servers_.begin());  // "b2" itself deleted elsewhere
  Type(dialog->hwnd(), kServerRemark, L"kept");
  Click(dialog->hwnd(), kServerOk);
  EXPECT_EQ(dialog->result(), ServerDialogResult::SavedAsNew);
  ASSERT_EQ(servers_.size(), 2u);
  EXPECT_EQ(servers_[0].host, c.host) << "no other server takes the edit";
  EXPECT_EQ(servers_[0].remark, c.remark);
  EXPECT_EQ(servers_[1].host, "b2");
  EXPECT_EQ(servers_[1].remark, "kept");
}

// The dialog has no group or settings field: an edit keeps the server's
// group and connection settings (the ones it has at OK, or had when the
// dialog opened if it is gone), an add gives the group the dialog was opened with.
TEST_F(EditDialogsTest, ServerDialogKeepsTheEditedServersGroupAndGivesANewOneItsGroup) {
  AppendServer(servers_, {"a", "1", "u", "", "", "g/h", "admin=1"});
  const std::uint64_t a = servers_[0].id;
  {
    auto dialog = OpenServerDialog(a);
    servers_[0].group = "moved";  // another copy's move, merged meanwhile
    servers_[0].settings = "admin=0";
    Type(dialog->hwnd(), kServerHost, L"a2");
    Click(dialog->hwnd(), kServerOk);
  }
  ASSERT_EQ(servers_.size(), 1u);
  EXPECT_EQ(servers_[0].host, "a2");
  EXPECT_EQ(servers_[0].group, "moved");
  EXPECT_EQ(servers_[0].settings, "admin=0");
  {
    auto dialog = OpenServerDialog(a);
    servers_.clear();  // deleted elsewhere
    Click(dialog->hwnd(), kServerOk);
    EXPECT_EQ(dialog->result(), ServerDialogResult::SavedAsNew);
  }
  ASSERT_EQ(servers_.size(), 1u);
  EXPECT_EQ(servers_[0].group, "moved");
  EXPECT_EQ(servers_[0].settings, "admin=0");

  auto dialog = OpenServerDialog(0, "new/x");
  Type(dialog->hwnd(), kServerHost, L"b");
  Click(dialog->hwnd(), kServerOk);
  ASSERT_EQ(servers_.size(), 2u);
  EXPECT_EQ(servers_[1].host, "b");
  EXPECT_EQ(servers_[1].group, "new/x");
}

TEST_F(EditDialogsTest, ServerDialogRefusesWhatWouldNotReadBackAndStaysOpen) {
  for (auto [id, text] : {std::pair{kServerHost, L"a|b"},
                          {kServerRemark, L"x|y"},
                          {kServerPassword, L"p\tw"},
                          {kServerPort, L"33\x01"}}) {
    auto dialog = OpenServerDialog(0);
    Type(dialog->hwnd(), id, text);
    Click(dialog->hwnd(), kServerOk);
    EXPECT_EQ(prompt_.boxes().back(), kUnstorableBox);
    EXPECT_TRUE(IsWindow(dialog->hwnd()));
    EXPECT_EQ(WindowText(Item(dialog->hwnd(), id)), text);
    EXPECT_TRUE(servers_.empty());
  }
  EXPECT_EQ(prompt_.boxes().size(), 4u);
}

TEST_F(EditDialogsTest, EnterBreaksTheRemarkLineAndCommitsFromAnyOtherField) {
  auto dialog = OpenServerDialog(0);
  HWND remark = Item(dialog->hwnd(), kServerRemark);
  SetFocus(remark);
  test::TypeText(remark, L"a");
  PressKey(remark, VK_RETURN);
  test::TypeText(remark, L"b");
  EXPECT_TRUE(IsWindow(dialog->hwnd()));
  EXPECT_EQ(WindowText(remark), L"a\r\nb");

  SetFocus(Item(dialog->hwnd(), kServerPort));
  PressKey(Item(dialog->hwnd(), kServerPort), VK_RETURN);
  EXPECT_FALSE(IsWindow(dialog->hwnd()));
  ASSERT_EQ(servers_.size(), 1u);
  EXPECT_EQ(servers_[0].host, "127.0.0.1");
  EXPECT_EQ(servers_[0].port, "3389");
  EXPECT_EQ(servers_[0].account, "Administrator");
  EXPECT_EQ(servers_[0].remark, "a\r\nb");
  EXPECT_EQ(servers_[0].status, ServerStatus::Pending);
}

TEST_F(EditDialogsTest, SetPasswordDialogFocusesCancelYetEnterMeansOk) {
  struct Case {
    const wchar_t* first;
    const wchar_t* second;
    int answer;  // to the clearing question
    std::vector<ShownBox> boxes;
    bool stays;
    std::string password;
  };
  const ShownBox differ{L"两次密码必须相同", L"输入出错", kErrorBox};
  const ShownBox marker{L"启动密码不能包含字符“>”。", L"输入出错", kErrorBox};
  const ShownBox clear{L"您确定要清空密码吗？", L"提示",
                       MB_YESNO | MB_ICONINFORMATION | MB_TASKMODAL};
  const Case cases[] = {
      {L"", L"x", IDYES, {differ}, true, "old"},
      {L"a>b", L"a>b", IDYES, {marker}, true, "old"},
      {L"", L"", IDNO, {clear}, true, "old"},
      {L"", L"", IDYES, {clear}, false, ""},
      {L"新密码", L"新密码", IDYES, {}, false, "\xD0\xC2\xC3\xDC\xC2\xEB"},
  };
  for (const Case& c : cases) {
    std::string password = "old";
    RecordingPrompt answers([&c](const ShownBox&) { return c.answer; });
    SetPasswordDialog dialog(password, answers);
    HWND form = dialog.Create();
    ASSERT_NE(form, nullptr);
    PumpMessages();
    EXPECT_EQ(GetFocus(), Item(form, kSetPasswordCancel));
    Type(form, kSetPasswordNew, c.first);
    Type(form, kSetPasswordRepeat, c.second);
    PressKey(GetFocus(), VK_RETURN);
    EXPECT_EQ(answers.boxes(), c.boxes);
    EXPECT_EQ(IsWindow(form) != FALSE, c.stays);
    if (c.stays) {
      EXPECT_EQ(WindowText(Item(form, kSetPasswordRepeat)), c.second);
    }
    EXPECT_EQ(password, c.password);
  }
}

TEST_F(EditDialogsTest, SetPasswordFieldsShowPlainTextOfAtMostSixteenGbkBytes) {
  std::string password;
  SetPasswordDialog dialog(password, prompt_);
  HWND form = dialog.Create();
  test::ExpectLiveControlsMatch(form, SetPasswordDialogControls());
  EXPECT_NE(SendMessageW(Item(form, kSetPasswordPicture), STM_GETICON, 0, 0), 0);
  for (int id : {kSetPasswordNew, kSetPasswordRepeat}) {
    EXPECT_EQ(SendMessageW(Item(form, id), EM_GETPASSWORDCHAR, 0, 0), 0);
    test::TypeText(Item(form, id), L"一二三四五六七八九");
    EXPECT_EQ(WindowText(Item(form, id)), L"一二三四五六七八");
  }
}

TEST_F(EditDialogsTest, BulkEditDialogEnablesAFieldOnlyWhileItsBoxIsTicked) {
  BulkEditDialog dialog(3, prompt_);
  HWND form = dialog.Create();
  PumpMessages();
  test::ExpectLiveControlsMatch(form, BulkEditDialogControls());
  EXPECT_EQ(WindowText(form), L"批量修改 3 台服务器");
  EXPECT_EQ(SendMessageW(Item(form, kBulkPassword), EM_GETPASSWORDCHAR, 0, 0), L'*');
  EXPECT_EQ(GetFocus(), Item(form, kBulkUsePort));
  PressKey(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Item(form, kBulkUseAccount)) << "Tab passes the disabled edit box";

  Click(form, kBulkUseAccount);
  EXPECT_TRUE(IsWindowEnabled(Item(form, kBulkAccount)));
  EXPECT_EQ(GetFocus(), Item(form, kBulkAccount));
  Click(form, kBulkUseAccount);
  EXPECT_FALSE(IsWindowEnabled(Item(form, kBulkAccount)));
  PressKey(GetFocus(), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(dialog.result(), std::nullopt);
}

TEST_F(EditDialogsTest, BulkEditDialogSetsTheTickedFieldsAndRefusesWhatWouldNotReadBack) {
  struct Case {
    std::vector<int> ticked;
    const wchar_t *port, *account, *password, *group;
    std::optional<BulkEdit> result;  // none: closed without one, or refused
    bool refused;
  };
  const std::string group = GbkFromWide(L" 生产 / 数据库 ");
  const Case cases[] = {
      {{kBulkUsePort, kBulkUseGroup},
       L"3390",
       L"x",
       L"",
       L" 生产 / 数据库 ",
       BulkEdit{.port = "3390", .group = group},
       false},
      {{kBulkUsePassword}, L"", L"", L"", L"", BulkEdit{.password = ""}, false},
      {{}, L"1", L"a", L"p", L"g", std::nullopt, false},
      {{kBulkUseAccount, kBulkUsePassword}, L"", L"a|b", L"p", L"", std::nullopt, true},
      {{kBulkUseGroup}, L"", L"", L"", L"x|y", std::nullopt, true},
  };
  auto fields = [](const BulkEdit& e) { return std::tie(e.port, e.account, e.password, e.group); };
  for (const Case& c : cases) {
    RecordingPrompt prompt;
    BulkEditDialog dialog(2, prompt);
    HWND form = dialog.Create();
    PumpMessages();
    for (auto [id, text] : {std::pair{kBulkPort, c.port},
                            {kBulkAccount, c.account},
                            {kBulkPassword, c.password},
                            {kBulkGroupPath, c.group}})
      Type(form, id, text);
    for (int box : c.ticked) Click(form, box);
    PressKey(GetFocus(), VK_RETURN);
    EXPECT_EQ(IsWindow(form) != FALSE, c.refused);
    EXPECT_EQ(prompt.boxes(), c.refused ? std::vector{kUnstorableBox} : std::vector<ShownBox>{});
    ASSERT_EQ(dialog.result().has_value(), c.result.has_value());
    if (c.result) {
      EXPECT_EQ(fields(*dialog.result()), fields(*c.result));
    }
  }
}

// The focus is in the combo box's edit, a child of the combo box: Tab, Enter
// and Esc still work there, and a dropped list takes Enter and Esc to close.
TEST_F(EditDialogsTest, MoveToGroupDialogListsTheGroupsAndKeepsItsKeysInItsComboBox) {
  const std::vector<std::string> paths{GbkFromWide(L"生产/数据库"), "Web", GbkFromWide(L"测试")};
  MoveToGroupDialog dialog(paths, prompt_);
  HWND form = dialog.Create();
  PumpMessages();
  test::ExpectLiveControlsMatch(form, MoveToGroupDialogControls());
  EXPECT_EQ(WindowText(form), L"移到分组");
  HWND box = Item(form, kMoveGroupPath);
  ASSERT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 3);
  for (int i = 0; i < 3; ++i) {
    wchar_t text[32] = {};
    SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(text, WideFromGbk(paths[i])) << i;
  }
  EXPECT_EQ(WindowText(box), L"");
  ASSERT_EQ(GetParent(GetFocus()), box);
  PressKey(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Item(form, kMoveOk));
  SetFocus(box);
  for (UINT key : {VK_ESCAPE, VK_RETURN}) {
    SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
    PressKey(GetFocus(), key);
    EXPECT_TRUE(IsWindow(form)) << key;
    EXPECT_FALSE(SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0)) << key;
  }
  SendMessageW(box, CB_SETCURSEL, 1, 0);
  Click(form, kMoveOk);
  EXPECT_EQ(dialog.result(), std::optional<std::string>("Web"));
}

TEST_F(EditDialogsTest, MoveToGroupDialogReturnsTheTypedGroupNormalised) {
  struct Case {
    const wchar_t* typed;
    UINT key;
    std::optional<std::string> result;
    bool refused;
  };
  const Case cases[] = {
      {L" 生产 / 数据库 ", VK_RETURN, GbkFromWide(L"生产/数据库"), false},
      {L" / ", VK_RETURN, "", false},  // no group
      {L"生产|x", VK_RETURN, std::nullopt, true},
      {L"生产", VK_ESCAPE, std::nullopt, false},
  };
  for (const Case& c : cases) {
    RecordingPrompt prompt;
    MoveToGroupDialog dialog({}, prompt);
    HWND form = dialog.Create();
    PumpMessages();
    Type(form, kMoveGroupPath, c.typed);
    PressKey(GetFocus(), c.key);
    EXPECT_EQ(IsWindow(form) != FALSE, c.refused) << c.typed;
    EXPECT_EQ(prompt.boxes(), c.refused ? std::vector{kUnstorableBox} : std::vector<ShownBox>{});
    EXPECT_EQ(dialog.result(), c.result) << c.typed;
  }
}

class MainWindowEditTest : public EditDialogsTest {
 protected:
  void SetUp() override {
    LoadConfig(state_, "a|1|u||\r\nb|2|v||\r\nc|3|w||\r\n#Start:0\r\n#LoadinPass:<>\r\n");
    window_ = std::make_unique<MainWindow>(
        state_, MainWindowServices{OpenConfig(), launch_, sweeps_, opener_, prompt_, importer_});
    main_ = window_->Create();
    ASSERT_NE(main_, nullptr);
    PumpMessages();
  }
  void TearDown() override {
    window_.reset();
    EditDialogsTest::TearDown();
  }

  HWND List() const { return Item(main_, kMainServerList); }
  void SelectRow(int row) {
    ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  // Clicks `button` and lets `act` work the form it opens.
  void ClickWithForm(int button, const std::function<void(HWND)>& act) {
    EXPECT_TRUE(test::WithModalForm(
        main_, [&] { Click(main_, button); }, act));
  }
  // Each row as "host port account status #itemdata".
  std::vector<std::wstring> Rows() const {
    std::vector<std::wstring> rows;
    for (int row = 0; row < ListView_GetItemCount(List()); ++row) {
      std::wstring line;
      wchar_t cell[64];
      for (int column = 0; column < 4; ++column) {
        ListView_GetItemText(List(), row, column, cell, 64);
        line += cell + std::wstring(L" ");
      }
      LVITEMW item{};
      item.mask = LVIF_PARAM;
      item.iItem = row;
      ListView_GetItem(List(), &item);
      rows.push_back(line + L"#" + std::to_wstring(item.lParam));
    }
    return rows;
  }

  test::TestFolder folder_;
  ConfigFileStore store_{folder_.File(L"ms.ini")};
  std::optional<SharedConfig> config_;
  std::string SavedText() const { return ConfigCipher(test::ReadBytes(store_.path())); }
  // ms.ini as the start-up read it: the loaded configuration, the file's stamp now.
  SharedConfig& OpenConfig() {
    config_.emplace(store_, state_.loadedConfig, store_.Stamp());
    return *config_;
  }
  AppState state_;
  Win32LaunchEnvironment launch_;
  test::NoSweeps sweeps_;
  test::RecordingAddressOpener opener_;
  SystemServerImporter importer_;
  std::unique_ptr<MainWindow> window_;
  HWND main_ = nullptr;
};

TEST_F(MainWindowEditTest, AddEditAndDeleteChangeTheListAndRebuildTheView) {
  state_.servers[1].status = ServerStatus::Online;
  window_->RefreshServerView();
  SelectRow(1);
  ClickWithForm(kMainEdit, [](HWND form) {
    Type(form, kServerHost, L"b2");
    Click(form, kServerOk);
  });
  ClickWithForm(kMainAdd, [](HWND form) { Click(form, kServerOk); });
  // The edited host is not probed yet: its row is pending again at once.
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"a 1 u ... #1", L"b2 2 v ... #2", L"c 3 w ... #3",
                                               L"127.0.0.1 3389 Administrator ... #4"}));
  EXPECT_EQ(SavedText(),
            "a|1|u||\r\nb2|2|v||\r\nc|3|w||\r\n127.0.0.1|3389|Administrator||\r\n#Start:0\r\n"
            "#LoadinPass:<>\r\n")
      << "each change saved as its dialog closed";
  EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), -1);
  EXPECT_TRUE(IsWindowEnabled(Item(main_, kMainConnect)));
  EXPECT_TRUE(IsWindowEnabled(Item(main_, kMainDelete)));

  int answer = IDCANCEL;
  prompt_.AnswerWith([&answer](const ShownBox&) { return answer; });
  SelectRow(1);
  Click(main_, kMainDelete);
  EXPECT_EQ(Rows().size(), 4u);
  EXPECT_EQ(ListView_GetNextItem(List(), -1, LVNI_SELECTED), 1) << "Cancel keeps the selection";
  answer = IDOK;
  Click(main_, kMainDelete);
  EXPECT_EQ(prompt_.boxes().back(),
            (ShownBox{L"确认删除该项？", L"删除项目", MB_OKCANCEL | MB_TASKMODAL}));
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"a 1 u ... #1", L"c 3 w ... #2",
                                               L"127.0.0.1 3389 Administrator ... #3"}));
  EXPECT_EQ(SavedText(),
            "a|1|u||\r\nc|3|w||\r\n127.0.0.1|3389|Administrator||\r\n#Start:0\r\n"
            "#LoadinPass:<>\r\n");
  Click(main_, kMainDelete);
  EXPECT_EQ(prompt_.boxes().back().text, L"请选择服务器列表！");
  EXPECT_EQ(Rows().size(), 3u);
}

TEST_F(MainWindowEditTest, StartupPasswordIsSetWhileTheMainWindowTakesNoInput) {
  bool mainEnabled = true;
  ClickWithForm(kMainStartupPassword, [&](HWND form) {
    mainEnabled = IsWindowEnabled(main_) != FALSE;
    Type(form, kSetPasswordNew, L"pw");
    Type(form, kSetPasswordRepeat, L"pw");
    Click(form, kSetPasswordOk);
  });
  EXPECT_FALSE(mainEnabled);
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_EQ(state_.startupPassword, "pw");
  EXPECT_EQ(SavedText(),
            "a|1|u||\r\nb|2|v||\r\nc|3|w||\r\n#Start:0\r\n#LoadinPass:<pw>\r\n")
      << "saved as the dialog closed";
}

}  // namespace
}  // namespace rdc
