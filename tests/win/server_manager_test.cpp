// The server manager driven through its controls beside the main window: the
// tree of groups, the search, the sort, the operations on many servers, and
// one list shown by both windows across changes from either and from another
// copy of the program.
// clang-format off
#include <windows.h>  // before the other Windows headers
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "launch/client_launch.h"
#include "model/config_cipher.h"
#include "model/config_store_win32.h"
#include "model/config_sync.h"
#include "model/shared_config_win32.h"
#include "model/startup.h"
#include "import/server_importer_win32.h"
#include "test_files_win32.h"
#include "ui/connection_settings_dialog_win32.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "ui/user_settings_win32.h"
#include "ui/window_messages.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using test::CtrlHeld;
using test::PressKey;
using test::PumpMessages;
using test::RecordingPrompt;
using test::ShownBox;
using test::WindowText;

// Nine servers: 生产 holds two and 生产/数据库 two more, 测试 two, 归档 one,
// two have no group. GBK: 生产 C9FA B2FA, 数据库 CAFD BEDD BFE2, 测试 B2E2 CAD4,
// 归档 B9E9 B5B5, 主库 D6F7 BFE2.
const std::string kGroupedServers =
    "10.0.0.2|3389|admin||web one|\xC9\xFA\xB2\xFA\r\n"
    "10.0.0.10|3390|admin||web two|\xC9\xFA\xB2\xFA\r\n"
    "db1|3389|sa||\xD6\xF7\xBF\xE2\nsecond line|\xC9\xFA\xB2\xFA/\xCA\xFD\xBE\xDD\xBF\xE2\r\n"
    "db2|1433|sa||backup|\xC9\xFA\xB2\xFA/\xCA\xFD\xBE\xDD\xBF\xE2\r\n"
    "test1|3389|tester||qa box|\xB2\xE2\xCA\xD4\r\n"
    "9.9.9.9|3389|tester||qa old|\xB2\xE2\xCA\xD4\r\n"
    "arch|3389|admin||old|\xB9\xE9\xB5\xB5\r\n"
    "lonely|3389|guest||none\r\n"
    "10.0.0.1|33|guest||spare\r\n"
    "#Start:0\r\n#LoadinPass:<>\r\n";


// Records the servers each export was given instead of asking where to write them.
class RecordingExporter : public ServerExporter {
 public:
  void Export(HWND, const std::vector<ServerEntry>& servers, bool, MessagePrompt&) override {
    std::vector<std::string>& hosts = exported.emplace_back();
    hosts.reserve(servers.size());
    for (const ServerEntry& server : servers) hosts.push_back(server.host);
  }
  std::vector<std::vector<std::string>> exported;
};

// Types the mnemonic `g_menuKey` into the popup menu once it shows.
WPARAM g_menuKey = 0;
void CALLBACK TypeIntoMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (!menu || !IsWindowVisible(menu)) return;
  KillTimer(nullptr, timer);
  PostMessageW(menu, WM_CHAR, g_menuKey, 0);
}

class ServerManagerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::InitCommonControlsOnce(); }

  void SetUp() override {
    ASSERT_TRUE(test::WriteBytes(store_.path(), ConfigCipher(kGroupedServers)));
    LoadConfig(state_, kGroupedServers);
    config_.emplace(store_, state_.loadedConfig, store_.Stamp());
    window_ = std::make_unique<MainWindow>(
        state_, MainWindowServices{*config_, launch_, sweeps_, opener_, prompt_, importer_,
                                   clock_, nullptr, settings_, exporter_});
    main_ = window_->Create();
    ASSERT_NE(main_, nullptr);
    PumpMessages();
    OpenManager();
  }

  void TearDown() override {
    window_.reset();
    PumpMessages();
  }

  void OpenManager() {
    {
      CtrlHeld ctrl;
      PressKey(GetDlgItem(main_, kMainServerList), 'M');
    }
    ASSERT_NE(window_->manager(), nullptr);
    manager_ = window_->manager()->hwnd();
    ASSERT_NE(manager_, nullptr);
  }

  HWND Search() const { return GetDlgItem(manager_, kManagerSearch); }
  HWND Tree() const { return GetDlgItem(manager_, kManagerTree); }
  HWND List() const { return GetDlgItem(manager_, kManagerList); }

  // The hosts of the rows shown, top to bottom.
  std::vector<std::string> ShownHosts() const {
    std::vector<std::string> hosts;
    for (const std::uint64_t id : window_->manager()->ShownIds())
      hosts.push_back(state_.servers[EntryNumberOfId(state_.servers, id) - 1].host);
    return hosts;
  }
  std::vector<std::string> SelectedHosts() const {
    std::vector<std::string> hosts;
    for (const std::uint64_t id : window_->manager()->SelectedIds())
      hosts.push_back(state_.servers[EntryNumberOfId(state_.servers, id) - 1].host);
    return hosts;
  }

  void Type(const std::wstring& text) {
    SetWindowTextW(Search(), text.c_str());
    PumpMessages();
  }

  std::wstring ItemText(HTREEITEM item) const {
    wchar_t text[128] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 128;
    TreeView_GetItem(Tree(), &data);
    return text;
  }

  // The tree's nodes as they read, each child indented by two spaces.
  std::vector<std::wstring> TreeLines(HTREEITEM first = TVI_ROOT, int depth = 0) const {
    std::vector<std::wstring> lines;
    for (HTREEITEM item = first == TVI_ROOT ? TreeView_GetRoot(Tree()) : first; item;
         item = TreeView_GetNextSibling(Tree(), item)) {
      lines.push_back(std::wstring(2 * static_cast<std::size_t>(depth), L' ') + ItemText(item));
      if (HTREEITEM child = TreeView_GetChild(Tree(), item)) {
        TreeView_Expand(Tree(), item, TVE_EXPAND);
        for (std::wstring& line : TreeLines(child, depth + 1)) lines.push_back(std::move(line));
      }
    }
    return lines;
  }

  // Chooses the node whose text begins with `text` (the whole tree is searched).
  void Choose(const std::wstring& text, HTREEITEM first = TVI_ROOT) {
    HTREEITEM found = Find(text, first == TVI_ROOT ? TreeView_GetRoot(Tree()) : first);
    ASSERT_NE(found, nullptr) << "no node " << std::string(text.begin(), text.end());
    TreeView_SelectItem(Tree(), found);
    PumpMessages();
  }
  HTREEITEM Find(const std::wstring& text, HTREEITEM item) const {
    for (; item; item = TreeView_GetNextSibling(Tree(), item)) {
      if (ItemText(item).starts_with(text)) return item;
      if (HTREEITEM inside = Find(text, TreeView_GetChild(Tree(), item))) return inside;
    }
    return nullptr;
  }

  void SelectRows(std::initializer_list<int> rows) {
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const int row : rows) ListView_SetItemState(List(), row, LVIS_SELECTED, LVIS_SELECTED);
    if (rows.size() > 0) ListView_SetItemState(List(), *rows.begin(), LVIS_FOCUSED, LVIS_FOCUSED);
  }

  void ClickHeader(int column) {
    NMLISTVIEW click{};
    click.hdr = {List(), static_cast<UINT_PTR>(kManagerList), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(manager_, WM_NOTIFY, kManagerList, reinterpret_cast<LPARAM>(&click));
  }

  std::string SavedText() const { return ConfigCipher(test::ReadBytes(store_.path())); }
  std::wstring StatusBar() const { return WindowText(GetDlgItem(manager_, kManagerStatus)); }

  test::TestFolder folder_;
  ConfigFileStore store_{folder_.File(L"ms.ini")};
  std::optional<SharedConfig> config_;
  AppState state_;
  struct : SaveClock {
    std::uint64_t NowMs() override { return 1'000'000; }
  } clock_;
  RecordingPrompt prompt_;
  test::InertLaunchEnvironment launch_;
  test::NoSweeps sweeps_;
  test::RecordingAddressOpener opener_;
  SystemServerImporter importer_;
  MemoryUserSettings settings_;
  RecordingExporter exporter_;
  std::unique_ptr<MainWindow> window_;
  HWND main_ = nullptr;
  HWND manager_ = nullptr;
};

TEST_F(ServerManagerTest, OpensOnceOwnedByTheMainWindowResizableAtItsDesignSize) {
  EXPECT_EQ(WindowText(manager_), L"服务器管理");
  EXPECT_EQ(GetWindow(manager_, GW_OWNER), main_);
  const LONG_PTR style = test::Style(manager_);
  EXPECT_TRUE((style & WS_THICKFRAME) && (style & WS_MAXIMIZEBOX));
  RECT outer{};
  GetWindowRect(manager_, &outer);
  EXPECT_EQ(outer.right - outer.left, 960);
  EXPECT_EQ(outer.bottom - outer.top, 600);
  EXPECT_EQ(GetFocus(), Search());
  HWND again = manager_;
  OpenManager();
  EXPECT_EQ(manager_, again);
  EXPECT_EQ(StatusBar(), L"共 9 台\u3000显示 9 台\u3000在线 0 台\u3000已选 0 台");
}

TEST_F(ServerManagerTest, TreeCountsEachGroupWithItsSubgroupsAndChoosingANodeShowsThem) {
  EXPECT_EQ(TreeLines(), (std::vector<std::wstring>{L"全部服务器 (9)", L"  测试 (2)", L"  归档 (1)",
                                                    L"  生产 (4)", L"    数据库 (2)",
                                                    L"未分组 (2)", L"最近连接"}));
  const struct {
    const wchar_t* node;
    std::vector<std::string> hosts;
  } cases[] = {
      {L"生产", {"10.0.0.2", "10.0.0.10", "db1", "db2"}},
      {L"数据库", {"db1", "db2"}},
      {L"未分组", {"lonely", "10.0.0.1"}},
      {L"最近连接", {}},
      {L"全部服务器",
       {"10.0.0.2", "10.0.0.10", "db1", "db2", "test1", "9.9.9.9", "arch", "lonely", "10.0.0.1"}},
  };
  for (const auto& c : cases) {
    Choose(c.node);
    EXPECT_EQ(ShownHosts(), c.hosts);
  }
}

TEST_F(ServerManagerTest, EachWordOfTheSearchIsFoundInSomeFieldWithinTheChosenNode) {
  const struct {
    const wchar_t* node;
    const wchar_t* query;
    std::vector<std::string> hosts;
  } cases[] = {
      {L"全部服务器", L"web", {"10.0.0.2", "10.0.0.10"}},
      {L"全部服务器", L"ADMIN", {"10.0.0.2", "10.0.0.10", "arch"}},  // letter case ignored
      {L"全部服务器", L"sa 主库", {"db1"}},                         // every word
      {L"全部服务器", L"second", {"db1"}},                          // a remark's second line
      {L"全部服务器", L"数据库", {"db1", "db2"}},                   // the group
      {L"全部服务器", L"1433", {"db2"}},                            // the port
      {L"全部服务器", L"web\u3000two", {"10.0.0.10"}},              // a full-width space
      {L"测试", L"qa", {"test1", "9.9.9.9"}},
      {L"生产", L"qa", {}},
  };
  for (const auto& c : cases) {
    Choose(c.node);
    Type(c.query);
    EXPECT_EQ(ShownHosts(), c.hosts) << std::string(c.query, c.query + wcslen(c.query));
  }
}

TEST_F(ServerManagerTest, SearchBoxKeysMoveToTheListConnectTheOnlyRowClearAndClose) {
  Type(L"db");
  PressKey(Search(), VK_DOWN);
  EXPECT_EQ(GetFocus(), List());
  EXPECT_EQ(SelectedHosts(), (std::vector<std::string>{"db1"}));

  SetFocus(Search());
  Type(L"1433");
  PressKey(Search(), VK_RETURN);
  EXPECT_EQ(launch_.started, 1);  // the only row shown

  PressKey(Search(), VK_ESCAPE);
  EXPECT_EQ(WindowText(Search()), L"");
  EXPECT_EQ(ShownHosts().size(), 9u);
  PressKey(Search(), VK_ESCAPE);
  EXPECT_FALSE(IsWindow(manager_));
  EXPECT_TRUE(IsWindow(main_));

  // The servers connected to are the newest of 最近连接.
  OpenManager();
  Choose(L"最近连接");
  EXPECT_EQ(ShownHosts(), (std::vector<std::string>{"db2"}));
}

TEST_F(ServerManagerTest, HeaderClicksSortUpDownAndBackWithoutTouchingTheList) {
  const std::vector<std::string> listOrder = ShownHosts();
  const struct {
    int column;
    std::vector<std::string> hosts;
    int arrow;  // the header's arrow on the column: HDF_SORTUP, HDF_SORTDOWN or none
  } clicks[] = {
      // IPv4 addresses by their numbers, before names.
      {0, {"9.9.9.9", "10.0.0.1", "10.0.0.2", "10.0.0.10", "arch", "db1", "db2", "lonely", "test1"},
       HDF_SORTUP},
      {0, {"test1", "lonely", "db2", "db1", "arch", "10.0.0.10", "10.0.0.2", "10.0.0.1", "9.9.9.9"},
       HDF_SORTDOWN},
      {0, listOrder, 0},
      // Ports as numbers; equal ports keep the list's order.
      {1, {"10.0.0.1", "db2", "10.0.0.2", "db1", "test1", "9.9.9.9", "arch", "lonely", "10.0.0.10"},
       HDF_SORTUP},
  };
  for (const auto& click : clicks) {
    ClickHeader(click.column);
    EXPECT_EQ(ShownHosts(), click.hosts);
    HDITEMW header{};
    header.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(List()), click.column, &header);
    EXPECT_EQ(header.fmt & (HDF_SORTUP | HDF_SORTDOWN), click.arrow);
  }
  // The sort is the manager's view: the main window and the file keep the list's order.
  EXPECT_EQ(state_.servers[0].host, "10.0.0.2");
  EXPECT_EQ(SavedText(), kGroupedServers);
}

TEST_F(ServerManagerTest, ManyRowsConnectAfterAskingAndDeleteWithOneQuestionInBothWindows) {
  SetFocus(List());
  {
    CtrlHeld ctrl;
    PressKey(List(), 'A');
  }
  EXPECT_EQ(SelectedHosts().size(), 9u);
  EXPECT_EQ(StatusBar(), L"共 9 台\u3000显示 9 台\u3000在线 0 台\u3000已选 9 台");
  const ShownBox ask{L"将打开 9 个远程桌面连接，是否继续？", L"连接",
                     MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL};
  PressKey(List(), VK_RETURN);  // answered No
  EXPECT_EQ(launch_.started, 0);
  prompt_.AnswerWith([](const ShownBox&) { return IDYES; });
  PressKey(List(), VK_RETURN);
  EXPECT_EQ(launch_.started, 9);
  EXPECT_EQ(prompt_.boxes(), (std::vector<ShownBox>{ask, ask}));

  SelectRows({2, 3});
  prompt_.AnswerWith([](const ShownBox&) { return IDOK; });
  PressKey(List(), VK_DELETE);
  EXPECT_EQ(prompt_.boxes().back().text, L"确认删除选中的 2 项？");
  EXPECT_EQ(prompt_.boxes().back().caption, L"删除项目");
  EXPECT_EQ(ShownHosts().size(), 7u);
  EXPECT_EQ(ListView_GetItemCount(GetDlgItem(main_, kMainServerList)), 7);
  EXPECT_EQ(SavedText().find("db1"), std::string::npos);
  EXPECT_EQ(TreeLines()[3], L"  生产 (2)");  // the tree counts again
}

TEST_F(ServerManagerTest, BulkEditSetsOnlyTheTickedFieldsOnEveryServerAndMoveSetsTheGroup) {
  Choose(L"生产");
  SetFocus(List());
  {
    CtrlHeld ctrl;
    PressKey(List(), 'A');
  }
  std::wstring title;
  EXPECT_TRUE(test::WithModalForm(
      manager_, [&] { PressKey(List(), VK_F2); },
      [&](HWND form) {
        title = WindowText(form);
        SendMessageW(GetDlgItem(form, kBulkUsePassword), BM_CLICK, 0, 0);
        SetWindowTextW(GetDlgItem(form, kBulkPassword), L"new secret");
        SendMessageW(GetDlgItem(form, kBulkOk), BM_CLICK, 0, 0);
      }));
  EXPECT_EQ(title, L"批量修改 4 台服务器");
  for (const ServerEntry& entry : state_.servers) {
    const bool inGroup = entry.group.starts_with("\xC9\xFA\xB2\xFA");
    EXPECT_EQ(entry.password, inGroup ? "new secret" : "") << entry.host;
    EXPECT_EQ(entry.account.empty(), false) << entry.host;  // not ticked: kept
  }
  EXPECT_NE(SavedText().find("10.0.0.2|3389|admin|new secret|web one|"), std::string::npos);
  EXPECT_EQ(SelectedHosts().size(), 4u);  // the selection stays on its servers

  // Ctrl+G: the typed group for every selected server.
  SelectRows({0, 1});
  EXPECT_TRUE(test::WithModalForm(
      manager_,
      [&] {
        CtrlHeld ctrl;
        PressKey(List(), 'G');
      },
      [&](HWND form) {
        SetWindowTextW(GetDlgItem(form, kMoveGroupPath), L" 归档 / 旧 ");
        SendMessageW(GetDlgItem(form, kMoveOk), BM_CLICK, 0, 0);
      }));
  EXPECT_EQ(state_.servers[0].group, "\xB9\xE9\xB5\xB5/\xBE\xC9");
  EXPECT_EQ(TreeLines()[2], L"  归档 (3)");
}

TEST_F(ServerManagerTest, AGroupRenamedInTheTreeOrDeletedMovesItsServersNeverDeletesThem) {
  Choose(L"生产");
  SetFocus(Tree());
  PressKey(Tree(), VK_F2);
  HWND edit = TreeView_GetEditControl(Tree());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(WindowText(edit), L"生产");  // the name alone, without its count
  SetWindowTextW(edit, L"正式");
  PressKey(edit, VK_RETURN);
  PumpMessages();
  EXPECT_EQ(state_.servers[0].group, "\xD5\xFD\xCA\xBD");
  EXPECT_EQ(state_.servers[2].group, "\xD5\xFD\xCA\xBD/\xCA\xFD\xBE\xDD\xBF\xE2");
  EXPECT_NE(SavedText().find("|\xD5\xFD\xCA\xBD/"), std::string::npos);

  Choose(L"测试");
  SetFocus(Tree());
  prompt_.AnswerWith([](const ShownBox&) { return IDOK; });
  PressKey(Tree(), VK_DELETE);
  ASSERT_FALSE(prompt_.boxes().empty());
  EXPECT_EQ(prompt_.boxes().back().text, L"确认删除分组“测试”？其中的 2 台服务器将移到未分组。");
  EXPECT_EQ(prompt_.boxes().back().caption, L"删除分组");
  EXPECT_EQ(state_.servers.size(), 9u);
  EXPECT_EQ(state_.servers[4].group, "");
  EXPECT_EQ(TreeLines().end()[-2], L"未分组 (4)");
}

TEST_F(ServerManagerTest, RowsDraggedOntoAGroupMoveThere) {
  SelectRows({7, 8});  // lonely, 10.0.0.1: no group
  HTREEITEM target = Find(L"归档", TreeView_GetRoot(Tree()));
  RECT item{};
  TreeView_GetItemRect(Tree(), target, &item, TRUE);
  POINT drop{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  MapWindowPoints(Tree(), manager_, &drop, 1);
  NMLISTVIEW begin{};
  begin.hdr = {List(), static_cast<UINT_PTR>(kManagerList), static_cast<UINT>(LVN_BEGINDRAG)};
  begin.iItem = 7;
  SendMessageW(manager_, WM_NOTIFY, kManagerList, reinterpret_cast<LPARAM>(&begin));
  SendMessageW(manager_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(drop.x, drop.y));
  SendMessageW(manager_, WM_LBUTTONUP, 0, MAKELPARAM(drop.x, drop.y));
  PumpMessages();
  EXPECT_EQ(state_.servers[7].group, "\xB9\xE9\xB5\xB5");
  EXPECT_EQ(state_.servers[8].group, "\xB9\xE9\xB5\xB5");
  EXPECT_EQ(TreeLines().end()[-1], L"最近连接");  // no server is left without a group
}

TEST_F(ServerManagerTest, AnotherCopysSaveShowsInBothWindowsAndTheSelectionStaysOnItsServers) {
  Choose(L"全部服务器");
  SelectRows({3, 6});  // db2, arch
  // Another copy deletes the first server and gives db2 another port.
  std::string theirs = kGroupedServers;
  theirs.erase(0, theirs.find("\r\n") + 2);
  theirs.replace(theirs.find("db2|1433"), 8, "db2|1434");
  const ConfigFileStore other(store_.path());
  SharedConfig copy(other, kGroupedServers, other.Stamp());
  ASSERT_TRUE(copy.Save(ParseConfigContent(theirs)).result.saved());
  SendMessageW(main_, kConfigChangedMessage, 0, 0);
  PumpMessages();
  EXPECT_EQ(ShownHosts().size(), 8u);
  EXPECT_EQ(ListView_GetItemCount(GetDlgItem(main_, kMainServerList)), 8);
  EXPECT_EQ(SelectedHosts(), (std::vector<std::string>{"db2", "arch"}));
  EXPECT_EQ(TreeLines()[3], L"  生产 (3)");
}

TEST_F(ServerManagerTest, ExportTakesTheSelectedServersOrEveryRowShownWhenOneOrNoneIsSelected) {
  Choose(L"生产");
  const struct {
    std::initializer_list<int> rows;
    std::vector<std::string> hosts;
  } cases[] = {
      {{1, 3}, {"10.0.0.10", "db2"}},
      {{2}, {"10.0.0.2", "10.0.0.10", "db1", "db2"}},
      {{}, {"10.0.0.2", "10.0.0.10", "db1", "db2"}},
  };
  for (const auto& c : cases) {
    SelectRows(c.rows);
    g_menuKey = L'x';
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, TypeIntoMenu);
    SendMessageW(manager_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List()), MAKELPARAM(-1, -1));
    KillTimer(nullptr, timer);
    PumpMessages();
    ASSERT_FALSE(exporter_.exported.empty());
    EXPECT_EQ(exporter_.exported.back(), c.hosts);
  }
  EXPECT_EQ(exporter_.exported.size(), 3u);
}

TEST_F(ServerManagerTest, ItsPlaceAndSizeAreRememberedForTheNextOpening) {
  SetWindowPos(manager_, nullptr, 40, 30, 700, 450, SWP_NOZORDER);
  PostMessageW(manager_, WM_CLOSE, 0, 0);
  PumpMessages();
  ASSERT_FALSE(IsWindow(manager_));
  OpenManager();
  RECT place{};
  GetWindowRect(manager_, &place);
  EXPECT_EQ(place.left, 40);
  EXPECT_EQ(place.top, 30);
  EXPECT_EQ(place.right - place.left, 700);
  EXPECT_EQ(place.bottom - place.top, 450);
  // Never smaller than its smallest size.
  SetWindowPos(manager_, nullptr, 0, 0, 100, 100, SWP_NOZORDER | SWP_NOMOVE);
  GetWindowRect(manager_, &place);
  EXPECT_EQ(place.right - place.left, 640);
  EXPECT_EQ(place.bottom - place.top, 400);
}

// The connection settings dialog: what it shows of one or several servers and
// the choices its OK takes (only those the user changed).
TEST_F(ServerManagerTest, ConnectionSettingsShowTheServersChoicesAndOkTakesOnlyTheChangedOnes) {
  ConnectionSettings custom;
  custom.display = DisplayMode::Custom;
  custom.customWidth = 1280;
  custom.customHeight = 800;
  custom.clipboard = Toggle::Off;
  ConnectionSettings other = custom;
  other.clipboard = Toggle::On;
  auto field = [](HWND form, int choice) { return GetDlgItem(form, kSettingsFirstChoice + 2 * choice + 1); };
  auto shown = [&](HWND form, int choice) {
    HWND box = field(form, choice);
    wchar_t text[64] = {};
    const auto item = SendMessageW(box, CB_GETCURSEL, 0, 0);
    SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    return std::wstring(text);
  };
  const struct {
    const char* name;
    std::vector<ConnectionSettings> servers;
    std::wstring clipboardShown;
    std::vector<Toggle> clipboardAfter;  // each server's, after printers set to 否
  } cases[] = {
      {"one server", {custom}, L"否", {Toggle::Off}},
      {"two that differ", {custom, other}, L"(不同)", {Toggle::Off, Toggle::On}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<SettingsChange> change;
    std::wstring display, width;
    bool widthEnabled = false;
    EXPECT_TRUE(test::WithModalForm(
        main_, [&] { change = RunConnectionSettingsDialog(c.servers, prompt_); },
        [&](HWND form) {
          display = shown(form, 0);
          width = WindowText(field(form, 1));
          widthEnabled = IsWindowEnabled(field(form, 1)) != FALSE;
          EXPECT_EQ(shown(form, 9), c.clipboardShown);
          SendMessageW(field(form, 10), CB_SETCURSEL, 2, 0);  // 打印机: 否
          SendMessageW(GetDlgItem(form, kSettingsOk), BM_CLICK, 0, 0);
        }));
    EXPECT_EQ(display, L"自定义");
    EXPECT_EQ(width, L"1280");
    EXPECT_TRUE(widthEnabled);
    ASSERT_TRUE(change.has_value());
    for (std::size_t i = 0; i < c.servers.size(); ++i) {
      ConnectionSettings after = c.servers[i];
      change->ApplyTo(after);
      EXPECT_EQ(after.printers, Toggle::Off);
      EXPECT_EQ(after.clipboard, c.clipboardAfter[i]);
      EXPECT_EQ(after.customWidth, 1280);
    }
  }

  // A size that is no number is refused and the dialog stays.
  std::optional<SettingsChange> change;
  EXPECT_TRUE(test::WithModalForm(
      main_, [&] { change = RunConnectionSettingsDialog({custom}, prompt_); },
      [&](HWND form) {
        SetWindowTextW(field(form, 1), L"wide");
        SendMessageW(GetDlgItem(form, kSettingsOk), BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindow(form));
        PostMessageW(form, WM_CLOSE, 0, 0);
      }));
  EXPECT_FALSE(change.has_value());
  ASSERT_FALSE(prompt_.boxes().empty());
  EXPECT_EQ(prompt_.boxes().back().caption, L"输入出错");

  // The start without a connection file greys what only the file carries.
  const auto enabled = [&](HWND form, int choice) {
    return IsWindowEnabled(field(form, choice)) != FALSE;
  };
  const auto noteShown = [](HWND form) {
    return IsWindowEnabled(GetDlgItem(form, kSettingsCommandLineNote)) != FALSE;
  };
  change.reset();
  EXPECT_TRUE(test::WithModalForm(
      main_, [&] { change = RunConnectionSettingsDialog({custom}, prompt_); },
      [&](HWND form) {
        EXPECT_EQ(shown(form, 18), L"连接文件");
        EXPECT_FALSE(noteShown(form));
        EXPECT_TRUE(enabled(form, 9));
        SendMessageW(field(form, 18), CB_SETCURSEL, 1, 0);  // 命令行
        SendMessageW(form, WM_COMMAND, MAKEWPARAM(kSettingsFirstChoice + 37, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(field(form, 18)));
        EXPECT_TRUE(noteShown(form));
        for (const int choice : {7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17})
          EXPECT_FALSE(enabled(form, choice)) << choice;
        for (const int choice : {0, 1, 2, 4, 5, 6, 18}) EXPECT_TRUE(enabled(form, choice)) << choice;
        SendMessageW(GetDlgItem(form, kSettingsOk), BM_CLICK, 0, 0);
      }));
  ASSERT_TRUE(change.has_value());
  ConnectionSettings after = custom;
  change->ApplyTo(after);
  EXPECT_EQ(after.start, StartMode::CommandLine);
  EXPECT_EQ(after.clipboard, Toggle::Off);
}

TEST_F(ServerManagerTest, ListMenuOffersItsOperationsAndRunsTheChosenOne) {
  SelectRows({0, 1});
  test::SetClipboardText(L"untouched");
  const test::MenuSeen seen = test::ContextMenuOf(List(), {-1, -1}, L'a');
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.items, (std::vector<std::wstring>{L"连接(&C)", L"修改(&E)...", L"连接设置(&S)...",
                                                   L"删除(&D)", L"", L"复制地址(&A)",
                                                   L"移到分组(&G)...", L"", L"添加(&N)...",
                                                   L"导入(&I)...", L"导出(&X)..."}));
  // Every selected server's address, one a line.
  EXPECT_EQ(test::ClipboardText(), L"10.0.0.2:3389\r\n10.0.0.10:3390");
}

}  // namespace
}  // namespace rdc
