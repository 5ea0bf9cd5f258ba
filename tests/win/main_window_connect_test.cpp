// The main window's connection bindings: "连接", a double-click on the list,
// Enter and "登陆" reach the connection operations with the window's values,
// and their refusals come back as boxes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/server_importer_win32.h"
#include "launch/client_launch.h"
#include "model/config_store_win32.h"
#include "model/shared_config_win32.h"
#include "model/startup.h"
#include "test_files_win32.h"
#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/form_win32.h"
#include "ui/main_window_win32.h"
#include "ui/messages.h"
#include "ui/prompt_win32.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

// Records what a connection asked of the system.
struct Recorded {
  HWND connectButton = nullptr;
  std::vector<bool> connectEnabledAtStart;  // the connect button as each client started
  std::vector<std::u16string> commandLines;
  std::vector<std::string> profiles;
  std::vector<std::string> registryNames;
};

class RecordingEnvironment : public LaunchEnvironment {
 public:
  explicit RecordingEnvironment(Recorded& recorded) : recorded_(recorded) {}
  std::u16string Utf16WithTerminator(const std::string& gbk) override {
    const std::wstring wide = WideFromGbk(gbk);
    return std::u16string(wide.begin(), wide.end()) + u'\0';
  }
  std::string Protect(std::string_view, std::u16string_view) override { return "\x01\xFE"; }
  std::u16string TempDirectory() override { return u"C:\\Temp"; }
  std::uint32_t TickCount() override { return 0xABC; }
  void Wait(std::uint32_t) override {}
  RunProfiles& Profiles() override { return profiles_; }
  NewFile CreateNewFile(const std::u16string&, std::string_view bytes) override {
    recorded_.profiles.emplace_back(bytes);
    return NewFile::Created;
  }
  void RemoveFile(const std::u16string&) override {}
  bool RegistryValueExists(const std::string&, const std::string&) override { return false; }
  bool SetRegistryDword(const std::string&, const std::string& name, std::uint32_t) override {
    recorded_.registryNames.push_back(name);
    return true;
  }
  std::uint32_t StartProcess(const std::u16string& commandLine) override {
    recorded_.commandLines.push_back(commandLine);
    recorded_.connectEnabledAtStart.push_back(IsWindowEnabled(recorded_.connectButton) != FALSE);
    return 0;
  }
  std::uint32_t StartWatchedProcess(const std::u16string& commandLine,
                                    std::function<void()>) override {
    return StartProcess(commandLine);
  }
  CredentialLoans& Loans() override { return loans_; }

 private:
  Recorded& recorded_;
  RunProfiles profiles_;
  test::DiscardingCredentialStore credentials_;
  CredentialLoans loans_{credentials_};
};

class MainWindowConnect : public testing::Test {
 protected:
  void SetUp() override { test::InitCommonControlsOnce(); }

  // Opens the main window over a configuration text.
  void Open(std::string plain) {
    LoadConfig(state_, std::move(plain));
    window_ = std::make_unique<MainWindow>(
        state_, MainWindowServices{OpenConfig(), launch_, sweeps_, opener_, prompt_, importer_});
    ASSERT_NE(window_->Create(), nullptr);
    recorded_.connectButton = Control(kMainConnect);
  }

  HWND Control(int id) { return window_->control(id); }

  void SelectRow(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Control(kMainServerList), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }

  void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }

  void DoubleClickList() {
    NMITEMACTIVATE activate{};
    activate.hdr = {Control(kMainServerList), static_cast<UINT_PTR>(kMainServerList),
                    static_cast<UINT>(NM_DBLCLK)};
    activate.iItem = -1;  // below the last row
    SendMessageW(window_->hwnd(), WM_NOTIFY, kMainServerList, reinterpret_cast<LPARAM>(&activate));
  }

  void PressKey(int id, WPARAM key) { test::PressKey(Control(id), static_cast<UINT>(key)); }

  test::TestFolder folder_;
  ConfigFileStore store_{folder_.File(L"ms.ini")};
  std::optional<SharedConfig> config_;
  // ms.ini as the start-up read it: the loaded configuration, the file's stamp now.
  SharedConfig& OpenConfig() {
    config_.emplace(store_, state_.loadedConfig, store_.Stamp());
    return *config_;
  }
  AppState state_;
  Recorded recorded_;
  RecordingEnvironment launch_{recorded_};
  test::NoSweeps sweeps_;
  test::RecordingAddressOpener opener_;
  SystemServerImporter importer_;
  test::RecordingPrompt prompt_;
  std::unique_ptr<MainWindow> window_;
};

constexpr char kTwoServers[] =
    "10.0.0.1|3389|Administrator|secret|first\r\n"
    "10.0.0.2|3390|ops||second\r\n"
    "#admin:1\r\n#Start:0\r\n#LoadinPass:<>\r\n";

TEST_F(MainWindowConnect, ConnectClickStartsTheClientForTheSelectedRowWithTheWindowsOptions) {
  Open(kTwoServers);
  SelectRow(1);
  Click(kMainConnect);
  ASSERT_EQ(recorded_.commandLines.size(), 1u);
  EXPECT_EQ(recorded_.commandLines[0], u"mstsc.exe \"C:\\Temp\\abc.tmp\" /admin /w:1440 /h:900 ");
  ASSERT_EQ(recorded_.profiles.size(), 1u);
  EXPECT_NE(recorded_.profiles[0].find("full address:s:10.0.0.2:3390\r\n"), std::string::npos);
  EXPECT_NE(recorded_.profiles[0].find("username:s:ops\r\n"), std::string::npos);
  EXPECT_EQ(recorded_.registryNames, std::vector<std::string>{"10.0.0.2"});
  EXPECT_TRUE(prompt_.boxes().empty());
  // The button takes no second click while the client starts, and is back after.
  EXPECT_EQ(recorded_.connectEnabledAtStart, std::vector<bool>{false});
  EXPECT_TRUE(IsWindowEnabled(Control(kMainConnect)));

  // Options are read at the moment of connecting.
  Click(kMainForceAdmin);  // clears it
  Click(kMainFullScreen);
  Click(kMainShareDisks);
  Click(kMainConnect);
  ASSERT_EQ(recorded_.commandLines.size(), 2u);
  EXPECT_EQ(recorded_.commandLines[1], u"mstsc.exe \"C:\\Temp\\abd.tmp\" /f ");
  EXPECT_NE(recorded_.profiles[1].find("drivestoredirect:s:*"), std::string::npos);
}

TEST_F(MainWindowConnect, DoubleClickAndEnterConnectTheSelectedRow) {
  Open(kTwoServers);
  DoubleClickList();  // nothing selected yet
  const test::ShownBox selectFirst{kSelectServerFirst, kOperationErrorCaption,
                                   MB_OK | MB_ICONERROR | MB_TASKMODAL};
  EXPECT_EQ(prompt_.boxes(), std::vector<test::ShownBox>{selectFirst});
  EXPECT_TRUE(recorded_.commandLines.empty());

  SelectRow(0);
  DoubleClickList();
  PressKey(kMainServerList, VK_RETURN);
  PressKey(kMainTemporaryAccount, VK_RETURN);
  ASSERT_EQ(recorded_.profiles.size(), 3u);
  for (const std::string& profile : recorded_.profiles)
    EXPECT_NE(profile.find("full address:s:10.0.0.1:3389\r\n"), std::string::npos);
  EXPECT_EQ(prompt_.boxes(), std::vector<test::ShownBox>{selectFirst});
}

TEST_F(MainWindowConnect, TemporaryLoginUsesTheTypedFieldsAndLeavesTheListAlone) {
  Open(kTwoServers);
  SetWindowTextW(Control(kMainTemporaryHost), L"服务器.example");
  SetWindowTextW(Control(kMainTemporaryPort), L"13389");
  SetWindowTextW(Control(kMainTemporaryAccount), L"管理员");
  SetWindowTextW(Control(kMainTemporaryPassword), L"");
  Click(kMainTemporaryLogin);
  ASSERT_EQ(recorded_.profiles.size(), 1u);
  const std::string& profile = recorded_.profiles[0];
  EXPECT_NE(profile.find("full address:s:" + GbkFromWide(L"服务器.example") + ":13389\r\n"),
            std::string::npos);
  EXPECT_NE(profile.find("username:s:" + GbkFromWide(L"管理员") + "\r\n"), std::string::npos);
  // Always a password line, also for an empty password field.
  EXPECT_NE(profile.find("password 51:b:01FE0\r\n"), std::string::npos);
  EXPECT_EQ(state_.servers.size(), 2u);
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(MainWindowConnect, ControlCharactersAreRefusedWithABoxAndNothingStarts) {
  Open("10.0.0.1\t|3389|Administrator||tab in the host\r\n#Start:0\r\n#LoadinPass:<>\r\n");
  SelectRow(0);
  Click(kMainConnect);
  SetWindowTextW(Control(kMainTemporaryHost), L"10.0.0.9");
  SetWindowTextW(Control(kMainTemporaryAccount), L"admin\r\nredirectdrives:i:1");
  Click(kMainTemporaryLogin);
  EXPECT_TRUE(recorded_.commandLines.empty());
  EXPECT_TRUE(recorded_.profiles.empty());
  EXPECT_TRUE(recorded_.registryNames.empty());
  const test::ShownBox refused{kIllegalServerText, kOperationErrorCaption,
                               MB_OK | MB_ICONERROR | MB_TASKMODAL};
  EXPECT_EQ(prompt_.boxes(), std::vector<test::ShownBox>(2, refused));
}

}  // namespace
}  // namespace rdc
