// Faults that must not cost the user's list: a second copy from the same folder
// only shows the running one, and an ms.ini that cannot be read is not
// overwritten by the run that could not read it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/single_copy_win32.h"
#include "driver_win32.h"
#include "model/config_cipher.h"
#include "ui/control_ids.h"

namespace rdc::e2e {
namespace {

constexpr char kOneServer[] = "127.1.2.3|3389|admin|pw|rack 4\r\n#Start:0\r\n#LoadinPass:<>\r\n";

// A plain window of the test's own that holds the foreground until a copy takes it.
class ForegroundHolder {
 public:
  ForegroundHolder()
      : window_(CreateWindowExW(0, L"STATIC", L"holder", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                nullptr, nullptr, nullptr, nullptr)) {
    SetForegroundWindow(window_);
  }
  ~ForegroundHolder() { DestroyWindow(window_); }
  ForegroundHolder(const ForegroundHolder&) = delete;
  ForegroundHolder& operator=(const ForegroundHolder&) = delete;
  HWND window() const { return window_; }

 private:
  HWND window_;
};

// Starts a second copy beside `app` and waits for it to end; its exit code.
DWORD RunSecondCopy(const AppUnderTest& app) {
  HANDLE second = app.StartAnotherCopy();
  if (second == nullptr) return 0xFFFFFFFF;
  DWORD exitCode = 0xFFFFFFFF;
  if (WaitForSingleObject(second, kWaitMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(second, &exitCode);
  else
    TerminateProcess(second, 1);
  CloseHandle(second);
  return exitCode;
}

TEST(SingleCopyE2E, SecondStartShowsTheRunningMainWindowAndEndsWithoutTouchingMsIni) {
  AppUnderTest app;
  const std::string original = ConfigCipher(kOneServer);
  ASSERT_TRUE(WriteBytes(app.ConfigPath(), original));
  ASSERT_TRUE(app.Start());
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr);

  ForegroundHolder holder;
  ASSERT_EQ(GetForegroundWindow(), holder.window());
  EXPECT_EQ(RunSecondCopy(app), 0u);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }))
      << "the running copy's window was not brought to the front";
  EXPECT_TRUE(app.Running());
  EXPECT_EQ(ReadBytes(app.ConfigPath()), original);
  // Beside ms.ini only the lock file the running copy's start-up read it under.
  EXPECT_EQ(FileNames(app.folder().path()),
            (std::vector<std::wstring>{L"ms.ini", L"ms.ini.lock", L"rdconnect.exe"}));
  EXPECT_EQ(app.TopLevelWindows(true).size(), 1u) << "the first copy opened nothing more";
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.WaitForExit());
}

TEST(SingleCopyE2E, SecondStartShowsTheRunningStartupPrompt) {
  AppUnderTest app;
  ASSERT_TRUE(app.WriteConfig("#Start:0\r\n#LoadinPass:<secret>\r\n"));
  ASSERT_TRUE(app.Start());
  HWND prompt = app.WaitForWindow(kFormClass, kLoginTitle);
  ASSERT_NE(prompt, nullptr);

  ForegroundHolder holder;
  EXPECT_EQ(RunSecondCopy(app), 0u);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == prompt; }));
  EXPECT_TRUE(app.Running());
}

TEST(SingleCopyE2E, CopyThatHoldsTheLockWithoutAWindowIsToldOfInsteadOfEndingSilently) {
  AppUnderTest app;
  ASSERT_TRUE(app.WriteConfig(kOneServer));
  const std::string original = ReadBytes(app.ConfigPath());
  SingleCopyLock lock(app.folder().path());  // held as by a copy without a window
  ASSERT_TRUE(lock.first()) << "a copy from " << testing::PrintToString(app.folder().path())
                            << " holds the lock already";
  ASSERT_TRUE(app.Start());
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr) << "ended without a word";
  const MessageBoxSeen seen = ReadMessageBox(box);
  EXPECT_EQ(seen.caption, L"rdconnect");
  EXPECT_EQ(seen.text, L"另一个 rdconnect 正在运行但没有窗口，请在任务管理器中结束它。");
  EXPECT_TRUE(AnswerMessageBox(box));
  DWORD exitCode = 1;
  EXPECT_TRUE(app.WaitForExit(&exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadBytes(app.ConfigPath()), original);
}

TEST(SingleCopyE2E, CopyStartedWhileTheRunningOneEndsRunsInItsPlace) {
  AppUnderTest app;
  ASSERT_TRUE(app.WriteConfig(kOneServer));
  SingleCopyLock lock(app.folder().path());
  ASSERT_TRUE(app.Start());
  Sleep(1000);  // the copy is looking for the running one's window
  lock.Release();
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "the copy did not take over";
  EXPECT_EQ(app.RowCount(GetDlgItem(main, kMainServerList)), 1);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(app.WaitForExit());
}

// Another program (an automation tool, say) sends the close instead of posting
// it: the program still ends with its window, and saves first.
TEST(SingleCopyE2E, CloseSentByAnotherProgramEndsTheProcess) {
  AppUnderTest app;
  ASSERT_TRUE(app.WriteConfig(kOneServer));
  ASSERT_TRUE(app.Start());
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  DWORD_PTR result = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_CLOSE, 0, 0, SMTO_NORMAL, kWaitMs, &result));
  EXPECT_TRUE(app.WaitForExit()) << "the process outlived its window";
  EXPECT_EQ(app.ConfigPlain(), kOneServer);
}

// A file the run cannot read, or one that is damaged or not this program's
// list, is warned about, gives an empty list and is never written by the run.
TEST(UnreadableConfigE2E, WarnsRunsWithAnEmptyListAndLeavesTheFileAsItWas) {
  using namespace std::string_literals;
  const struct {
    const char* name;
    std::string file;
    bool locked;
    const wchar_t* warning;
  } rows[] = {
      {"locked by another program", ConfigCipher(kOneServer), true,
       L"无法读取配置文件 ms.ini，本次运行的修改不会保存，以免覆盖它。"},
      {"a zero byte inside", ConfigCipher("127.1.2.3|3389|admin|pw|\0rack 4\r\n#Start:0\r\n"s),
       false, L"配置文件 ms.ini 已损坏或不是本程序的文件，本次运行的修改不会保存，以免覆盖它。"},
      {"another program's ms.ini", "[servers]\r\nhost=127.1.2.3\r\nport=3389\r\n", false,
       L"配置文件 ms.ini 已损坏或不是本程序的文件，本次运行的修改不会保存，以免覆盖它。"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    AppUnderTest app;
    ASSERT_TRUE(WriteBytes(app.ConfigPath(), row.file));
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (row.locked) {
      // Another program holds ms.ini without sharing it while the copy starts.
      lock = CreateFileW(app.ConfigPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    }
    ASSERT_TRUE(app.Start());
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no warning";
    const MessageBoxSeen seen = ReadMessageBox(box);
    EXPECT_EQ(seen.caption, L"读取失败");
    EXPECT_EQ(seen.text, row.warning);
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    EXPECT_TRUE(AnswerMessageBox(box));

    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(app.RowCount(GetDlgItem(main, kMainServerList)), 0);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.WaitForExit());
    EXPECT_EQ(ReadBytes(app.ConfigPath()), row.file);
    // Nothing beside ms.ini but the lock file the start-up read it under.
    EXPECT_EQ(FileNames(app.folder().path()),
              (std::vector<std::wstring>{L"ms.ini", L"ms.ini.lock", L"rdconnect.exe"}));
  }
}

}  // namespace
}  // namespace rdc::e2e
