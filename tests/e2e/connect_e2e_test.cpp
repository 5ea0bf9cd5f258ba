// Connecting from the real program, with a recording stand-in for the client
// beside it: the command line, the profile it is given, the registry value,
// and the refusals that start nothing.
#include <windows.h>
// <shellapi.h> and <wincrypt.h> build on <windows.h>.
#include <gtest/gtest.h>
#include <wincred.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver_win32.h"
#include "launch/client_launch.h"
#include "launch/launch_environment_win32.h"
#include "password_and_command_line_win32.h"
#include "ui/control_ids.h"
#include "ui/user_settings_win32.h"
#include "os/system_error_win32.h"

namespace rdc::e2e {
namespace {

constexpr char kPasswordPlaceholder[] = "\x25\xC3\xDC\xC2\xEB\x25";  // "%密码%"
constexpr char kPasswordPrefix[] = "password 51:b:";
constexpr char kChineseAccount[] = "\xB9\xDC\xC0\xED\xD4\xB1";  // "管理员"

std::wstring FileNameOf(const std::wstring& path) {
  return path.substr(path.find_last_of(L'\\') + 1);
}

// The password a profile's password value protects, read back as its user can;
// "<...>" when the value is not a protected 512-byte block.
std::wstring UnprotectedPassword(const std::string& value) {
  const test::OpenedPassword opened = test::OpenPasswordValue(value);
  if (!opened.ok) return L"<not hex plus 0, or not unprotected>";
  const std::size_t size = opened.data.size();
  if (size != 512) return L"<block of " + std::to_wstring(size) + L" bytes>";
  const std::wstring block(reinterpret_cast<const wchar_t*>(opened.data.data()), size / 2);
  const std::size_t end = block.find(L'\0');
  if (block.find_first_not_of(L'\0', end) != std::wstring::npos) return L"<block not zero-padded>";
  return block.substr(0, end);
}

std::wstring PasswordOfLine(const std::string& line) {
  if (line.rfind(kPasswordPrefix, 0) != 0) return L"<no password line>";
  return UnprotectedPassword(line.substr(sizeof kPasswordPrefix - 1));
}

// One start of the client as the test sees it.
struct ClientStart {
  std::wstring commandLine;
  std::wstring profilePath;  // the second argument
  std::vector<std::string> profileLines;
};

// Waits for start `number` (1-based) of the fake client.
ClientStart WaitForClientStart(const AppUnderTest& app, int number) {
  ClientStart start;
  if (!WaitUntil([&] { return static_cast<int>(app.ClientStarts().size()) >= number; }))
    return start;
  start.commandLine = app.ClientStarts()[number - 1];
  const std::vector<std::wstring> arguments = test::SplitCommandLine(start.commandLine);
  if (arguments.size() >= 2) start.profilePath = arguments[1];
  start.profileLines = ProfileLines(app.ClientProfile(number));
  return start;
}

// The command line the program must give the client for this profile and options.
std::wstring ExpectedCommandLine(const std::wstring& profilePath, std::wstring_view options) {
  return L"mstsc.exe \"" + profilePath + L"\" " + std::wstring(options);
}

void ExpectProfileFile(const std::wstring& path) {
  EXPECT_EQ(path.rfind(TempDirectory(), 0), 0u) << ::testing::PrintToString(path);
  const std::wstring name = FileNameOf(path);
  EXPECT_GT(name.size(), 4u);
  EXPECT_EQ(name.find_first_not_of(L"0123456789abcdef"), name.size() - 4)
      << ::testing::PrintToString(name);
  EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
}

// The test reads the stand-in's record while the program may start it again: a
// start must be recorded even while a reader has the record open.
TEST(FakeClient, RecordsAStartWhileTheRecordIsBeingRead) {
  AppUnderTest app;
  ASSERT_TRUE(app.InstallFakeClient());
  const std::wstring record = app.folder().File(L"mstsc-record.txt");
  ASSERT_TRUE(WriteBytes(record, "earlier start\n"));
  std::ifstream reader(std::filesystem::path(record), std::ios::binary);
  ASSERT_TRUE(reader.is_open());

  const std::wstring client = app.folder().File(L"mstsc.exe");
  std::wstring commandLine = L"mstsc.exe \"" + record + L"\" ";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(client.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &process));
  DWORD exitCode = 1;
  EXPECT_EQ(WaitForSingleObject(process.hProcess, kWaitMs), WAIT_OBJECT_0);
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(app.ClientStarts().size(), 2u);
}

class ConnectE2E : public ::testing::Test {
 protected:
  // Starts the program with `plain` as ms.ini (none when null) and the fake client beside it.
  HWND StartWith(const char* plain) {
    if (plain != nullptr) {
      EXPECT_TRUE(app_.WriteConfig(plain));
    }
    EXPECT_TRUE(app_.InstallFakeClient());
    EXPECT_TRUE(app_.Start());
    HWND main = app_.WaitForMainWindow();
    EXPECT_NE(main, nullptr) << "no main window";
    return main;
  }

  // Waits for the program's message box, reads it and answers OK.
  MessageBoxSeen AnswerBox() {
    HWND box = app_.WaitForMessageBox();
    if (box == nullptr) return {L"<no box>", L"<no box>"};
    MessageBoxSeen seen = ReadMessageBox(box);
    EXPECT_TRUE(AnswerMessageBox(box));
    EXPECT_TRUE(WaitUntil([box] { return !IsWindow(box); })) << "the box stayed";
    return seen;
  }

  // The program ends once the profiles of its run are old enough to delete.
  void CloseProgram(HWND main) {
    ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
    ASSERT_TRUE(app_.WaitForExit(nullptr, kWaitMs + kProfileReadMs))
        << "still running after WM_CLOSE";
  }

  NewProfiles profiles_;  // made first, so it sees every profile of the test
  AppUnderTest app_;
};

TEST_F(ConnectE2E, ConnectButtonAndDoubleClickStartTheClientOnTheSelectedServer) {
  LocalDevicesValue firstHost(L"127.0.0.1");
  LocalDevicesValue secondHost(L"127.0.0.2");
  HWND main = StartWith(
      "127.0.0.1|3389|Administrator||office\r\n"
      "127.0.0.2|3390|Administrator|secret|\r\n"
      "#admin:1\r\n#Start:0\r\n#LoadinPass:<>\r\n");
  ASSERT_NE(main, nullptr);
  HWND list = GetDlgItem(main, kMainServerList);
  HWND connect = GetDlgItem(main, kMainConnect);

  // Forced login and small screen from the file; no disks.
  ASSERT_TRUE(app_.SelectRow(list, 0));
  ASSERT_TRUE(WaitUntil([connect] { return IsWindowEnabled(connect) != FALSE; }));
  ASSERT_TRUE(PostClick(connect));
  const ClientStart first = WaitForClientStart(app_, 1);
  ASSERT_FALSE(first.commandLine.empty()) << "the client was not started";
  EXPECT_EQ(first.commandLine, ExpectedCommandLine(first.profilePath, L"/admin /w:1440 /h:900 "));
  EXPECT_EQ(test::SplitCommandLine(first.commandLine),
            (std::vector<std::wstring>{L"mstsc.exe", first.profilePath, L"/admin", L"/w:1440",
                                       L"/h:900"}));
  ExpectProfileFile(first.profilePath);
  ASSERT_EQ(first.profileLines.size(), 45u);
  EXPECT_EQ(first.profileLines[0], "screen mode id:i:2");
  EXPECT_EQ(first.profileLines[5], "full address:s:127.0.0.1:3389");
  EXPECT_EQ(first.profileLines[12], "redirectsmartcards:i:1");
  EXPECT_EQ(first.profileLines[15], "username:s:Administrator");
  EXPECT_EQ(first.profileLines[18], kPasswordPlaceholder);
  EXPECT_EQ(first.profileLines[34], "drivestoredirect:s:");
  EXPECT_EQ(first.profileLines[44], "use redirection server name:i:0");
  // What the client was given is the file left in the temporary directory.
  EXPECT_EQ(ReadBytes(first.profilePath), app_.ClientProfile(1));
  EXPECT_EQ(profiles_.Paths(), std::vector<std::wstring>{first.profilePath});
  EXPECT_EQ(firstHost.Dword(), 76);
  EXPECT_TRUE(WaitUntil([connect] { return IsWindowEnabled(connect) != FALSE; }))
      << "the connect button stayed disabled";

  // Options changed on the window are read at the moment of connecting.
  ASSERT_TRUE(SendClick(GetDlgItem(main, kMainForceAdmin)));
  ASSERT_TRUE(SendClick(GetDlgItem(main, kMainFullScreen)));
  ASSERT_TRUE(SendClick(GetDlgItem(main, kMainShareDisks)));
  ASSERT_FALSE(IsChecked(GetDlgItem(main, kMainForceAdmin)));
  ASSERT_FALSE(IsChecked(GetDlgItem(main, kMainSmallScreen)));
  ASSERT_TRUE(IsChecked(GetDlgItem(main, kMainShareDisks)));
  ASSERT_TRUE(app_.SelectRow(list, 1));
  ASSERT_TRUE(app_.DoubleClickList(list, 1));
  const ClientStart second = WaitForClientStart(app_, 2);
  ASSERT_FALSE(second.commandLine.empty()) << "the double-click started no client";
  EXPECT_EQ(second.commandLine, ExpectedCommandLine(second.profilePath, L"/f "));
  EXPECT_NE(second.profilePath, first.profilePath);
  ExpectProfileFile(second.profilePath);
  ASSERT_EQ(second.profileLines.size(), 45u);
  EXPECT_EQ(second.profileLines[5], "full address:s:127.0.0.2:3390");
  EXPECT_EQ(second.profileLines[12], "redirectsmartcards:i:0");
  EXPECT_EQ(second.profileLines[15], "username:s:Administrator");
  EXPECT_EQ(PasswordOfLine(second.profileLines[18]), L"secret");
  EXPECT_EQ(second.profileLines[34], "drivestoredirect:s:*");
  EXPECT_EQ(secondHost.Dword(), 76);

  CloseProgram(main);
  EXPECT_EQ(app_.ClientStarts().size(), 2u);
  EXPECT_TRUE(profiles_.Paths().empty()) << "the run's profiles outlived it";
}

TEST_F(ConnectE2E, TemporaryLoginConnectsWithTheTypedFieldsAndAlwaysAPasswordLine) {
  LocalDevicesValue host(L"192.0.2.7");
  HWND main = StartWith(nullptr);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryHost), L"192.0.2.7"));
  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryPort), L"13389"));
  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryAccount), L"管理员"));
  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryPassword), L"密码 1"));

  // No list selection is needed; the default options are small screen only.
  ASSERT_TRUE(PostClick(GetDlgItem(main, kMainTemporaryLogin)));
  const ClientStart typed = WaitForClientStart(app_, 1);
  ASSERT_FALSE(typed.commandLine.empty()) << "the client was not started";
  EXPECT_EQ(typed.commandLine, ExpectedCommandLine(typed.profilePath, L"/w:1440 /h:900 "));
  ExpectProfileFile(typed.profilePath);
  ASSERT_EQ(typed.profileLines.size(), 45u);
  EXPECT_EQ(typed.profileLines[5], "full address:s:192.0.2.7:13389");
  EXPECT_EQ(typed.profileLines[15], std::string("username:s:") + kChineseAccount);
  EXPECT_EQ(PasswordOfLine(typed.profileLines[18]), L"密码 1");
  EXPECT_EQ(host.Dword(), 76);

  // An empty password field still gives a password line, never the placeholder.
  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryPassword), L""));
  ASSERT_TRUE(PostClick(GetDlgItem(main, kMainTemporaryLogin)));
  const ClientStart empty = WaitForClientStart(app_, 2);
  ASSERT_EQ(empty.profileLines.size(), 45u);
  EXPECT_EQ(PasswordOfLine(empty.profileLines[18]), L"");

  // The profiles hold the password blob: they go when the program ends, but
  // only once the client has had 10 s to read them.
  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  ASSERT_TRUE(WaitUntil([main] { return !IsWindow(main); }));
  EXPECT_EQ(profiles_.Paths().size(), 2u) << "deleted before the client could read it";
  ASSERT_TRUE(app_.WaitForExit(nullptr, kWaitMs + kProfileReadMs));
  EXPECT_TRUE(profiles_.Paths().empty()) << "the run's profiles outlived it";
}

TEST_F(ConnectE2E, ClientThatCannotStartIsReportedAndItsProfileDeleted) {
  wchar_t found[MAX_PATH];
  if (SearchPathW(nullptr, L"mstsc.exe", nullptr, MAX_PATH, found, nullptr) != 0)
    GTEST_SKIP() << "a real client is installed here";
  LocalDevicesValue host(L"192.0.2.9");
  ASSERT_TRUE(app_.Start());  // no stand-in beside it
  HWND main = app_.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryHost), L"192.0.2.9"));
  ASSERT_TRUE(PostClick(GetDlgItem(main, kMainTemporaryLogin)));
  const MessageBoxSeen box = AnswerBox();
  EXPECT_EQ(box.caption, L"连接失败");
  EXPECT_EQ(box.text,
            L"无法启动远程桌面客户端 mstsc.exe：" + SystemErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(profiles_.Paths().empty()) << "the unused profile was kept";
  CloseProgram(main);
}

TEST_F(ConnectE2E, NoSelectionOrAControlCharacterShowsABoxAndStartsNothing) {
  // A tab inside a field survives loading: the file splits lines at CR LF only.
  constexpr char kConfig[] = "127.0.0.1\t|3389|Administrator||\r\n#Start:0\r\n#LoadinPass:<>\r\n";
  LocalDevicesValue tabHost(L"127.0.0.1\t");
  LocalDevicesValue typedHost(L"192.0.2.8");
  HWND main = StartWith(kConfig);
  ASSERT_NE(main, nullptr);
  HWND list = GetDlgItem(main, kMainServerList);
  HWND connect = GetDlgItem(main, kMainConnect);

  ASSERT_TRUE(app_.DoubleClickList(list, -1));
  MessageBoxSeen box = AnswerBox();
  EXPECT_EQ(box.text, L"请选择服务器列表！");
  EXPECT_EQ(box.caption, L"操作错误");

  ASSERT_TRUE(app_.SelectRow(list, 0));
  ASSERT_TRUE(WaitUntil([connect] { return IsWindowEnabled(connect) != FALSE; }));
  ASSERT_TRUE(PostClick(connect));
  box = AnswerBox();
  EXPECT_EQ(box.text, L"服务器信息包含非法字符，无法连接。");
  EXPECT_EQ(box.caption, L"操作错误");
  EXPECT_TRUE(WaitUntil([connect] { return IsWindowEnabled(connect) != FALSE; }))
      << "the connect button stayed disabled";

  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryHost), L"192.0.2.8"));
  ASSERT_TRUE(SetText(GetDlgItem(main, kMainTemporaryAccount), L"admin\tistrator"));
  ASSERT_TRUE(PostClick(GetDlgItem(main, kMainTemporaryLogin)));
  box = AnswerBox();
  EXPECT_EQ(box.text, L"服务器信息包含非法字符，无法连接。");
  EXPECT_EQ(box.caption, L"操作错误");

  CloseProgram(main);
  EXPECT_FALSE(FileExists(app_.folder().File(L"mstsc-record.txt"))) << "the client was started";
  EXPECT_TRUE(profiles_.Paths().empty()) << "a profile was written";
  EXPECT_FALSE(tabHost.Exists()) << "a registry value was written";
  EXPECT_FALSE(typedHost.Exists()) << "a registry value was written";
  // The refused server is kept as it was.
  EXPECT_EQ(app_.ConfigPlain(), kConfig);
}

// Connecting from the command line: by host, by the remark's first line or
// by host:port, with the options of ms.ini; no window, and ms.ini untouched.
TEST_F(ConnectE2E, CommandLineConnectsToTheNamedServerAndEndsWithoutAWindow) {
  constexpr char kConfig[] =
      "127.0.0.1|3389|Administrator||office\r\n"
      "127.0.0.2|3390|ops||Rack 7\nsecond line\r\n"
      "#admin:1\r\n#Start:1\r\n#LoadinPass:<>\r\n";
  const struct {
    const wchar_t* arguments;
    const char* fullAddress;
  } cases[] = {
      {L"/connect 127.0.0.2", "full address:s:127.0.0.2:3390"},
      {L"-CONNECT \"rack 7\"", "full address:s:127.0.0.2:3390"},
      {L"/connect 127.0.0.1:3389 ignored.rdp", "full address:s:127.0.0.1:3389"},
  };
  ASSERT_TRUE(app_.WriteConfig(kConfig));
  const std::string original = ReadBytes(app_.ConfigPath());
  ASSERT_TRUE(app_.InstallFakeClient());
  RegistryUserSettings userSettings;
  const std::vector<std::string> recentBefore = userSettings.RecentServers();
  userSettings.SaveRecentServers({});
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(cases[i].arguments)));
    // Each copy ends once its profile is old enough to delete; the next need not wait.
    ASSERT_TRUE(app_.Start(cases[i].arguments));
    const ClientStart start = WaitForClientStart(app_, static_cast<int>(i) + 1);
    ASSERT_FALSE(start.commandLine.empty()) << "the client was not started";
    EXPECT_EQ(start.commandLine, ExpectedCommandLine(start.profilePath, L"/admin /f "));
    ASSERT_EQ(start.profileLines.size(), 45u);
    EXPECT_EQ(start.profileLines[5], cases[i].fullAddress);
    EXPECT_TRUE(app_.TopLevelWindows(true).empty()) << "a window showed";
  }
  DWORD exitCode = 1;
  ASSERT_TRUE(app_.WaitForExit(&exitCode, 20000)) << "still running";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadBytes(app_.ConfigPath()), original);
  // Each counts among the servers last connected to, the last first.
  EXPECT_EQ(userSettings.RecentServers(),
            (std::vector<std::string>{"127.0.0.1:3389|Administrator", "127.0.0.2:3390|ops"}));
  userSettings.SaveRecentServers(recentBefore);
}

// A server started without a connection file, from the command line: its
// client finds the password as the host's saved credential while it runs;
// the program stays until the client has ended, and the credential the user
// had saved for that host is then back.
TEST_F(ConnectE2E, StartWithoutAConnectionFileLendsThePasswordToItsClient) {
  constexpr char kConfig[] =
      "127.0.0.4|3392|DOM\\ops|pa55|cmd||start=cmdline;display=full\r\n"
      "#admin:0\r\n#Start:0\r\n#LoadinPass:<>\r\n";
  Win32CredentialStore credentials;
  StoredCredential usersOwn;
  usersOwn.target = u"TERMSRV/127.0.0.4";
  usersOwn.userName = u"me";
  usersOwn.secret = std::string("m\0i\0n\0e\0", 8);
  usersOwn.persist = CRED_PERSIST_LOCAL_MACHINE;
  ASSERT_EQ(credentials.Write(usersOwn), 0u);

  ASSERT_TRUE(app_.WriteConfig(kConfig));
  ASSERT_TRUE(app_.InstallFakeClient());
  ASSERT_TRUE(app_.Start(L"/connect cmd"));
  const ClientStart start = WaitForClientStart(app_, 1);
  EXPECT_EQ(start.commandLine, L"mstsc.exe /v:127.0.0.4:3392 /f ");
  EXPECT_EQ(ReadBytes(app_.folder().File(L"credential-1.txt")), "DOM\\ops pa55\n");
  ASSERT_TRUE(app_.WaitForExit(nullptr, kWaitMs)) << "still running after its client ended";

  EXPECT_EQ(credentials.Read(usersOwn.target), usersOwn);
  credentials.Remove(usersOwn.target);
}

TEST_F(ConnectE2E, CommandLineWithAnUnknownNameSaysSoAndOpensTheWindow) {
  ASSERT_TRUE(
      app_.WriteConfig("127.0.0.1|3389|Administrator||office\r\n#Start:0\r\n"
                       "#LoadinPass:<>\r\n"));
  ASSERT_TRUE(app_.InstallFakeClient());
  ASSERT_TRUE(app_.Start(L"/connect nosuch"));
  const MessageBoxSeen box = AnswerBox();
  EXPECT_EQ(box.text, L"未找到服务器 nosuch。");
  EXPECT_EQ(box.caption, L"操作错误");
  HWND main = app_.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "no main window after the box";
  CloseProgram(main);
  EXPECT_TRUE(app_.ClientStarts().empty());
}

// With the running copy's main window up, or its start-up prompt: the prompt
// keeps what it is handed until the main window shows.
class SecondStartE2E : public ConnectE2E, public ::testing::WithParamInterface<const char*> {};

TEST_P(SecondStartE2E, CommandLineOfASecondStartIsCarriedOutByTheRunningCopy) {
  const std::string password = GetParam();
  ASSERT_TRUE(app_.WriteConfig(
      ("127.0.0.1|3389|Administrator||office\r\n#Start:0\r\n#LoadinPass:<" + password + ">\r\n")
          .c_str()));
  ASSERT_TRUE(app_.InstallFakeClient());
  ASSERT_TRUE(app_.Start());
  HWND prompt = password.empty() ? nullptr : app_.WaitForWindow(kFormClass, kLoginTitle);
  ASSERT_EQ(prompt == nullptr, password.empty()) << "no password prompt";
  if (prompt == nullptr) ASSERT_NE(app_.WaitForMainWindow(), nullptr);
  HANDLE second = app_.StartAnotherCopy(L"/connect OFFICE");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(WaitForSingleObject(second, kWaitMs), WAIT_OBJECT_0);
  CloseHandle(second);
  if (prompt != nullptr) {
    EXPECT_TRUE(app_.ClientStarts().empty()) << "connected before the password was given";
    ASSERT_TRUE(SetText(GetDlgItem(prompt, kLoginPassword), L"s3cret"));
    ASSERT_TRUE(PostClick(GetDlgItem(prompt, kLoginOk)));
  }
  HWND main = app_.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  const ClientStart start = WaitForClientStart(app_, 1);
  ASSERT_FALSE(start.commandLine.empty()) << "the running copy started no client";
  ASSERT_EQ(start.profileLines.size(), 45u);
  EXPECT_EQ(start.profileLines[5], "full address:s:127.0.0.1:3389");
  EXPECT_TRUE(IsWindow(main));
  CloseProgram(main);
}

INSTANTIATE_TEST_SUITE_P(RunningCopy, SecondStartE2E, ::testing::Values("", "s3cret"));

}  // namespace
}  // namespace rdc::e2e
