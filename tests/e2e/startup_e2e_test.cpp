// The real program started from another working directory: it reads ms.ini
// beside itself, shows its servers, asks for a start-up password first when
// one is set, and writes the file back only when its main window closes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_win32.h"
#include "model/config_cipher.h"
#include "ui/control_ids.h"

namespace rdc::e2e {
namespace {

// Account "测试縷.管理员" (縷 ends in byte 0x7C, the record separator) and
// remark "机房", both GBK. Hosts are loopback addresses: the program probes them.
constexpr char kChineseAccount[] = "\xB2\xE2\xCA\xD4\xBF\x7C.\xB9\xDC\xC0\xED\xD4\xB1";
constexpr char kChineseRemark[] = "\xBB\xFA\xB7\xBF";

// A canonical file: exactly what the program writes back for the state it holds.
const std::string kThreeServers = std::string(
                                      "127.0.0.1|3389|Administrator||office\r\n"
                                      "127.0.0.2|3390|Administrator||\r\n") +
                                  "127.0.0.3|3391|" + kChineseAccount + "|secret|" +
                                  kChineseRemark + "\r\n" +
                                  "#admin:1\r\n"
                                  "#Start:0\r\n"
                                  "#LoadinPass:<>\r\n";

// What a first close writes when there was no file: no servers, default options.
constexpr char kEmptyConfig[] = "#Start:0\r\n#LoadinPass:<>\r\n";

struct Row {
  std::wstring host, port, account;
};

// Until a probe has answered a row shows "..."; the first sweep may already have.
bool IsStatusText(const std::wstring& text) {
  return text == L"..." || text == L"离线" || text == L"在线";
}

TEST(StartupE2E, ShowsTheServersBesideItselfAndWritesTheSameFileBack) {
  AppUnderTest app;
  const std::string original = ConfigCipher(kThreeServers);
  ASSERT_TRUE(WriteBytes(app.ConfigPath(), original));
  // A different ms.ini in the working folder must be neither read nor written.
  const std::string decoy = ConfigCipher("127.9.8.7|22|root||\r\n#Start:1\r\n#LoadinPass:<>\r\n");
  ASSERT_TRUE(WriteBytes(app.workingFolder().File(L"ms.ini"), decoy));

  ASSERT_TRUE(app.Start());
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "no main window";
  HWND list = GetDlgItem(main, kMainServerList);

  const std::vector<Row> expected{{L"127.0.0.1", L"3389", L"Administrator"},
                                  {L"127.0.0.2", L"3390", L"Administrator"},
                                  {L"127.0.0.3", L"3391", L"测试縷.管理员"}};
  ASSERT_EQ(app.RowCount(list), static_cast<int>(expected.size()));
  for (int row = 0; row < static_cast<int>(expected.size()); ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    EXPECT_EQ(app.CellText(list, row, 0), expected[row].host);
    EXPECT_EQ(app.CellText(list, row, 1), expected[row].port);
    EXPECT_EQ(app.CellText(list, row, 2), expected[row].account);
    const std::wstring status = app.CellText(list, row, 3);
    EXPECT_TRUE(IsStatusText(status)) << ::testing::PrintToString(status);
  }
  EXPECT_TRUE(IsChecked(GetDlgItem(main, kMainForceAdmin)));
  EXPECT_TRUE(IsChecked(GetDlgItem(main, kMainSmallScreen)));
  EXPECT_FALSE(IsChecked(GetDlgItem(main, kMainFullScreen)));

  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  DWORD exitCode = 1;
  ASSERT_TRUE(app.WaitForExit(&exitCode)) << "still running after WM_CLOSE";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadBytes(app.ConfigPath()), original) << "plain: " << app.ConfigPlain();
  EXPECT_EQ(ReadBytes(app.workingFolder().File(L"ms.ini")), decoy);
  // The close's save read the file under the copies' lock, beside it.
  EXPECT_EQ(FileNames(app.folder().path()),
            (std::vector<std::wstring>{L"ms.ini", L"ms.ini.lock", L"rdconnect.exe"}));
}

TEST(StartupE2E, WithoutAFileOpensEmptyAndCreatesTheMinimalFileOnClose) {
  AppUnderTest app;
  ASSERT_TRUE(app.Start());
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr) << "no main window";
  EXPECT_EQ(app.RowCount(GetDlgItem(main, kMainServerList)), 0);
  EXPECT_FALSE(IsChecked(GetDlgItem(main, kMainForceAdmin)));
  EXPECT_TRUE(IsChecked(GetDlgItem(main, kMainSmallScreen)));
  EXPECT_FALSE(FileExists(app.ConfigPath())) << "written before the close";

  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  ASSERT_TRUE(app.WaitForExit()) << "still running after WM_CLOSE";
  const std::string written = ReadBytes(app.ConfigPath());
  EXPECT_EQ(written.size(), 26u);
  EXPECT_EQ(ConfigCipher(written), kEmptyConfig);
  EXPECT_TRUE(FileNames(app.workingFolder().path()).empty()) << "wrote into the working folder";
}

TEST(StartupE2E, StartupPasswordPromptsBeforeTheMainWindowAndClosingItChangesNothing) {
  AppUnderTest app;
  const std::string original =
      ConfigCipher("127.0.0.1|3389|Administrator||office\r\n#Start:1\r\n#LoadinPass:<s3cret>\r\n");
  ASSERT_TRUE(WriteBytes(app.ConfigPath(), original));

  ASSERT_TRUE(app.Start());
  HWND prompt = app.WaitForWindow(kFormClass, kLoginTitle);
  ASSERT_NE(prompt, nullptr) << "no password prompt";
  for (HWND window : app.TopLevelWindows(false))
    EXPECT_EQ(GetDlgItem(window, kMainServerList), nullptr) << "a main window exists already";

  ASSERT_TRUE(PostMessageW(prompt, WM_CLOSE, 0, 0));
  DWORD exitCode = 1;
  ASSERT_TRUE(app.WaitForExit(&exitCode)) << "still running after the prompt closed";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(ReadBytes(app.ConfigPath()), original);
  // The start-up read ms.ini under the copies' lock, beside it.
  EXPECT_EQ(FileNames(app.folder().path()),
            (std::vector<std::wstring>{L"ms.ini", L"ms.ini.lock", L"rdconnect.exe"}));
}

}  // namespace
}  // namespace rdc::e2e
