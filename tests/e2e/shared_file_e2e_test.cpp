// Two copies of the real program from one folder, as on two machines sharing
// it: two Wine prefixes, each with a Wine server of its own (the one-copy rule
// holds per server, so both run). This test drives copy A in its own prefix;
// in the other prefix a second run of this test program starts copy B and
// drives it on commands passed as files through a folder both see.
#include <windows.h>
// <shellapi.h> builds on <windows.h>.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "driver_win32.h"
#include "os/file_lock_win32.h"
#include "ui/control_ids.h"

namespace rdc::e2e {
namespace {

constexpr wchar_t kOtherMachineFlag[] = L"--rdc-other-machine";
// The other prefix's server may be cold, or the prefix made for the first time.
constexpr DWORD kOtherMachineStartMs = 90000;
// The other machine gives up when no command comes this long (the test is gone).
constexpr DWORD kOtherMachineIdleMs = 60000;
constexpr DWORD kReloadGoalMs = 2000;

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

// Command n and its reply in the mailbox folder.
std::wstring Mail(const std::wstring& mailbox, const wchar_t* kind, int n) {
  return mailbox + L"\\" + kind + L"-" + std::to_wstring(n);
}

// Written under another name first, so the reader never sees half of it.
bool Post(const std::wstring& path, std::string_view text) {
  const std::wstring part = path + L".part";
  return WriteBytes(part, text) && MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// ---- The other machine: copy B and what it is told to do -------------------

class OtherMachine {
 public:
  OtherMachine(ProgramCopy& copy, HWND main, std::wstring appFolder)
      : copy_(copy), main_(main), list_(GetDlgItem(main, kMainServerList)),
        appFolder_(std::move(appFolder)) {}

  std::string Do(const std::string& command) {
    std::istringstream words(command);
    std::string verb, host;
    int row = -1;
    words >> verb;
    if (verb == "rows") return Rows();
    if (verb == "add" && words >> host) return Fill(kMainAdd, L"添加服务器列表", host) ? "done" : "failed";
    if (verb == "edit" && words >> row >> host) {
      if (!copy_.SelectRow(list_, row) || !Fill(kMainEdit, L"修改服务器列表", host)) return "failed";
      // Shown once saved: the list is rebuilt after the save.
      return WaitUntil([&] { return copy_.CellText(list_, row, 0) == WideFromUtf8(host); }) ? "done"
                                                                                           : "failed";
    }
    if (verb == "delete" && words >> row) {
      const int count = copy_.RowCount(list_);
      if (!copy_.SelectRow(list_, row) || !PostClick(GetDlgItem(main_, kMainDelete))) return "failed";
      HWND box = copy_.WaitForMessageBox();
      if (box == nullptr || !AnswerMessageBox(box, IDOK)) return "failed";
      return WaitUntil([&] { return copy_.RowCount(list_) == count - 1; }) ? "done" : "failed";
    }
    if (verb == "hold-lock") {
      lock_.emplace(appFolder_ + L"\\ms.ini.lock");
      return lock_->Acquire(0) == ERROR_SUCCESS ? "held" : "busy";
    }
    if (verb == "die") {
      // Copy B first: nothing of this machine is left but the lock this process held.
      copy_.Kill();
      TerminateProcess(GetCurrentProcess(), 9);
    }
    if (verb == "quit") {
      PostMessageW(main_, WM_CLOSE, 0, 0);
      if (!copy_.WaitForExit()) copy_.Kill();
      return "done";
    }
    return "unknown command";
  }

 private:
  std::string Rows() const {
    std::string rows;
    for (int row = 0, count = copy_.RowCount(list_); row < count; ++row)
      rows.append(row > 0 ? " " : "").append(Utf8FromWide(copy_.CellText(list_, row, 0)));
    return rows;
  }

  // Opens the server dialog with `button`, types the host and clicks OK.
  bool Fill(int button, const wchar_t* title, const std::string& host) {
    if (!PostClick(GetDlgItem(main_, button))) return false;
    HWND form = copy_.WaitForWindow(kFormClass, title);
    return form != nullptr && SetText(GetDlgItem(form, kServerHost), WideFromUtf8(host)) &&
           PostClick(GetDlgItem(form, kServerOk)) && WaitUntil([form] { return !IsWindow(form); });
  }

  ProgramCopy& copy_;
  HWND main_;
  HWND list_;
  std::wstring appFolder_;
  std::optional<FileLock> lock_;
};

int RunOtherMachine(const std::wstring& mailbox, const std::wstring& appFolder) {
  ProgramCopy copy;
  HWND main = copy.StartExe(appFolder + L"\\rdconnect.exe", L"", mailbox)
                  ? copy.WaitForMainWindow()
                  : nullptr;
  Post(Mail(mailbox, L"reply", 0), main != nullptr ? "ready" : "no main window");
  if (main == nullptr) return 1;
  OtherMachine machine(copy, main, appFolder);
  for (int n = 1;; ++n) {
    std::string command;
    const std::wstring path = Mail(mailbox, L"command", n);
    if (!WaitUntil([&] { return !(command = ReadBytes(path)).empty(); }, kOtherMachineIdleMs))
      return 1;  // the test is gone; copy B goes with this process's end
    Post(Mail(mailbox, L"reply", n), machine.Do(command));
    if (command == "quit") return 0;
  }
}

// Started with kOtherMachineFlag, this test program is the other machine.
[[maybe_unused]] const bool kIsOtherMachine = [] {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments != nullptr && count == 4 && std::wstring_view(arguments[1]) == kOtherMachineFlag)
    ExitProcess(static_cast<UINT>(RunOtherMachine(arguments[2], arguments[3])));
  LocalFree(arguments);
  return false;
}();

// ---- This machine's side ---------------------------------------------------

// The Unix path of a file, from Wine; "" when not under Wine.
std::string UnixPath(const std::wstring& path) {
  using UnixFileName = char*(CDECL*)(LPCWSTR);
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unixFileName != nullptr ? unixFileName(path.c_str()) : nullptr;
  if (name == nullptr) return {};
  std::string unix(name);
  HeapFree(GetProcessHeap(), 0, name);
  return unix;
}

// The same folder as the other prefix sees it: through its drive Z:, the Unix root.
std::wstring SeenFromOtherPrefix(const std::wstring& path) {
  std::wstring seen = L"Z:" + WideFromUtf8(UnixPath(path));
  for (wchar_t& c : seen)
    if (c == L'/') c = L'\\';
  return seen;
}

// Copy B on the other machine, from this side.
class OtherMachineDriver {
 public:
  // Starts this test program in the other prefix (beside this build's own
  // prefix), through the project's Wine runner (RDC_WINE_RUN), a Unix program
  // that Wine starts as it starts any.
  explicit OtherMachineDriver(const AppUnderTest& app) : mailbox_(L"e2e-mailbox") {
    wchar_t runner[MAX_PATH] = {};
    wchar_t self[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"RDC_WINE_RUN", runner, MAX_PATH) ||
        !GetModuleFileNameW(nullptr, self, MAX_PATH))
      return;
    const std::string exe = UnixPath(self);
    const std::size_t bin = exe.rfind("/bin/");
    if (bin == std::string::npos) return;
    const std::wstring prefix = WideFromUtf8(exe.substr(0, bin) + "/wineprefix-other");
    std::wstring commandLine = L"\"" + std::wstring(runner) + L"\" --prefix \"" + prefix +
                               L"\" -- \"" + WideFromUtf8(exe) + L"\" " + kOtherMachineFlag +
                               L" \"" + SeenFromOtherPrefix(mailbox_.path()) + L"\" \"" +
                               SeenFromOtherPrefix(app.folder().path()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
      return;
    // A Unix process: its handle tells nothing; the mailbox does.
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    ready_ = Reply(0, kOtherMachineStartMs) == "ready";
  }
  ~OtherMachineDriver() {
    if (ready_) Ask("quit");
  }
  OtherMachineDriver(const OtherMachineDriver&) = delete;
  OtherMachineDriver& operator=(const OtherMachineDriver&) = delete;

  bool ready() const { return ready_; }

  // Copy B does `command`; its reply, "" when none came.
  std::string Ask(const std::string& command) {
    const int n = next_++;
    if (!Post(Mail(mailbox_.path(), L"command", n), command)) return {};
    return Reply(n, kWaitMs);
  }
  // Copy B's hosts, row by row, separated by blanks.
  std::string Rows() { return Ask("rows"); }
  // The process ends on this command without a reply, holding whatever it held.
  void Die() {
    Post(Mail(mailbox_.path(), L"command", next_++), "die");
    ready_ = false;
  }

 private:
  std::string Reply(int n, DWORD timeoutMs) const {
    std::string reply;
    const std::wstring path = Mail(mailbox_.path(), L"reply", n);
    WaitUntil([&] { return !(reply = ReadBytes(path)).empty(); }, timeoutMs);
    return reply;
  }

  TestFolder mailbox_;
  int next_ = 1;
  bool ready_ = false;
};

std::string RowsOf(const AppUnderTest& app, HWND list) {
  std::string rows;
  for (int row = 0, count = app.RowCount(list); row < count; ++row)
    rows.append(row > 0 ? " " : "").append(Utf8FromWide(app.CellText(list, row, 0)));
  return rows;
}

// The hosts that ms.ini holds, in order.
std::string FileRows(const AppUnderTest& app) {
  std::string rows;
  std::istringstream lines(app.ConfigPlain());
  for (std::string line; std::getline(lines, line);)
    if (line.find('|') != std::string::npos)
      rows.append(rows.empty() ? "" : " ").append(line.substr(0, line.find('|')));
  return rows;
}

class SharedFileE2E : public testing::Test {
 protected:
  void SetUp() override {
    if (UnixPath(L"C:\\").empty()) GTEST_SKIP() << "two machines are two Wine prefixes";
    // Loopback hosts: both copies probe them.
    ASSERT_TRUE(app_.WriteConfig("127.0.0.11|1|u||\r\n127.0.0.12|1|u||\r\n127.0.0.13|1|u||\r\n"
                                 "127.0.0.14|1|u||\r\n#Start:0\r\n#LoadinPass:<>\r\n"));
    ASSERT_TRUE(app_.Start());
    main_ = app_.WaitForMainWindow();
    ASSERT_NE(main_, nullptr);
    list_ = GetDlgItem(main_, kMainServerList);
    other_.emplace(app_);
    ASSERT_TRUE(other_->ready()) << "copy B did not start in the other prefix";
    ASSERT_EQ(other_->Rows(), kStart);
  }

  // Opens copy A's server dialog with `button` and types the host; the dialog
  // stays open until Confirm.
  HWND OpenDialog(int button, const wchar_t* title, const wchar_t* host) {
    if (!PostClick(GetDlgItem(main_, button))) return nullptr;
    HWND form = app_.WaitForWindow(kFormClass, title);
    if (form != nullptr) SetText(GetDlgItem(form, kServerHost), host);
    return form;
  }
  static bool Confirm(HWND form) {
    return PostClick(GetDlgItem(form, kServerOk)) && WaitUntil([form] { return !IsWindow(form); });
  }

  // Whether copy B's rows become `rows` (asked again and again) within `ms`.
  bool OtherShows(const std::string& rows, DWORD ms = kWaitMs) {
    return WaitUntil([&] { return other_->Rows() == rows; }, ms);
  }

  static constexpr char kStart[] = "127.0.0.11 127.0.0.12 127.0.0.13 127.0.0.14";
  AppUnderTest app_;
  HWND main_ = nullptr;
  HWND list_ = nullptr;
  std::optional<OtherMachineDriver> other_;
};

TEST_F(SharedFileE2E, EachCopysAddShowsOnTheOtherWithinTwoSeconds) {
  ASSERT_TRUE(Confirm(OpenDialog(kMainAdd, L"添加服务器列表", L"127.0.0.21")));
  ASSERT_TRUE(WaitUntil([&] { return app_.RowCount(list_) == 5; }));  // shown once saved
  EXPECT_TRUE(OtherShows(std::string(kStart) + " 127.0.0.21", kReloadGoalMs))
      << "copy B shows " << other_->Rows();

  ASSERT_EQ(other_->Ask("add 127.0.0.22"), "done");
  EXPECT_TRUE(WaitUntil([&] { return app_.RowCount(list_) == 6; }, kReloadGoalMs));
  EXPECT_EQ(RowsOf(app_, list_), std::string(kStart) + " 127.0.0.21 127.0.0.22");
  EXPECT_EQ(FileRows(app_), std::string(kStart) + " 127.0.0.21 127.0.0.22");
}

TEST_F(SharedFileE2E, EditHereWhileTheOtherDeletesBothHappen) {
  ASSERT_TRUE(app_.SelectRow(list_, 0));
  HWND form = OpenDialog(kMainEdit, L"修改服务器列表", L"127.0.0.31");
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(other_->Ask("delete 1"), "done");  // entry 2, while A's dialog is open
  ASSERT_TRUE(Confirm(form));
  const std::string both = "127.0.0.31 127.0.0.13 127.0.0.14";
  EXPECT_TRUE(WaitUntil([&] { return RowsOf(app_, list_) == both; })) << RowsOf(app_, list_);
  EXPECT_EQ(FileRows(app_), both);
  EXPECT_TRUE(OtherShows(both)) << other_->Rows();
  EXPECT_EQ(app_.TopLevelWindows(true).size(), 1u) << "no box: nothing met";
}

// While A edits its last server, B deletes the first and a second start hands
// A a file to import: nothing moves under the dialog, the edit lands on the
// server it was opened for, and the import is added after it closes.
TEST_F(SharedFileE2E, AnEditLandsOnItsServerThoughAnotherCopyDeletesAndAnImportEndsMeanwhile) {
  const std::wstring rdp = app_.folder().File(L"one.rdp");
  ASSERT_TRUE(WriteBytes(rdp, "full address:s:127.0.0.9\r\nusername:s:ops\r\n"));
  ASSERT_TRUE(app_.SelectRow(list_, 3));
  HWND form = OpenDialog(kMainEdit, L"修改服务器列表", L"127.0.0.41");
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(other_->Ask("delete 0"), "done");
  HANDLE second = app_.StartAnotherCopy(L"\"" + rdp + L"\"");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(WaitForSingleObject(second, kWaitMs), WAIT_OBJECT_0);
  CloseHandle(second);
  Sleep(1000);  // the import ends and the other copy's save is told meanwhile
  EXPECT_EQ(RowsOf(app_, list_), kStart) << "the list moved under the dialog";
  ASSERT_TRUE(Confirm(form));
  HWND box = app_.WaitForMessageBox();
  ASSERT_NE(box, nullptr) << "the import's box";
  EXPECT_EQ(ReadMessageBox(box).caption, L"导入");
  ASSERT_TRUE(AnswerMessageBox(box));
  const std::string after = "127.0.0.12 127.0.0.13 127.0.0.41 127.0.0.9";
  EXPECT_TRUE(WaitUntil([&] { return RowsOf(app_, list_) == after; })) << RowsOf(app_, list_);
  EXPECT_EQ(FileRows(app_), after);
  EXPECT_TRUE(OtherShows(after)) << other_->Rows();
}

TEST_F(SharedFileE2E, BothEditTheSameServerBothVersionsStayAndTheLaterSaveIsTold) {
  ASSERT_TRUE(app_.SelectRow(list_, 2));
  HWND form = OpenDialog(kMainEdit, L"修改服务器列表", L"127.0.0.31");
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(other_->Ask("edit 2 127.0.0.32"), "done");
  ASSERT_TRUE(PostClick(GetDlgItem(form, kServerOk)));
  HWND box = app_.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const MessageBoxSeen seen = ReadMessageBox(box);
  EXPECT_EQ(seen.caption, L"合并");
  EXPECT_EQ(seen.text, L"服务器列表已被另一处修改，有 1 项两边都改过，两个版本都已保留。");
  ASSERT_TRUE(AnswerMessageBox(box));
  const std::string both = "127.0.0.11 127.0.0.12 127.0.0.31 127.0.0.32 127.0.0.14";
  EXPECT_TRUE(WaitUntil([&] { return RowsOf(app_, list_) == both; })) << RowsOf(app_, list_);
  EXPECT_EQ(FileRows(app_), both);
  EXPECT_TRUE(OtherShows(both)) << other_->Rows();
}

TEST_F(SharedFileE2E, AddOfACopyKilledWithoutClosingIsKeptAndAKilledHoldersLockBlocksNobody) {
  ASSERT_TRUE(Confirm(OpenDialog(kMainAdd, L"添加服务器列表", L"127.0.0.21")));
  ASSERT_TRUE(WaitUntil([&] { return app_.RowCount(list_) == 5; }));
  ASSERT_TRUE(app_.Kill());
  const std::string added = std::string(kStart) + " 127.0.0.21";
  EXPECT_EQ(FileRows(app_), added);
  EXPECT_TRUE(OtherShows(added)) << other_->Rows();

  // The lock holds across the two machines, and goes with its holder's process.
  ASSERT_EQ(other_->Ask("hold-lock"), "held");
  FileLock lock(app_.ConfigPath() + L".lock");
  EXPECT_EQ(lock.Acquire(0), static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  other_->Die();
  EXPECT_TRUE(WaitUntil([&] { return lock.Acquire(0) == ERROR_SUCCESS; }));
}

}  // namespace
}  // namespace rdc::e2e
