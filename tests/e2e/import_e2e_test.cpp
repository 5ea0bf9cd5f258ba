// Files given to the program on its command line are imported: at its start
// (after the start-up password), or by the copy already running from its
// folder when a second start is given them.
#include <gtest/gtest.h>

#include <string>

#include "driver_win32.h"
#include "model/config_cipher.h"
#include "ui/control_ids.h"

namespace rdc::e2e {
namespace {

// Waits for the program's import box and answers it; its text.
std::wstring AnswerImportBox(const AppUnderTest& app) {
  HWND box = app.WaitForMessageBox();
  if (box == nullptr) return L"<no box>";
  const MessageBoxSeen seen = ReadMessageBox(box);
  EXPECT_EQ(seen.caption, L"导入");
  EXPECT_TRUE(AnswerMessageBox(box));
  EXPECT_TRUE(WaitUntil([box] { return !IsWindow(box); }));
  return seen.text;
}

TEST(ImportE2E, FilesOnTheCommandLineAreImportedAtStartAndByTheRunningCopy) {
  AppUnderTest app;
  ASSERT_TRUE(app.WriteConfig("127.0.0.1|3389|Administrator||office\r\n#Start:0\r\n"
                              "#LoadinPass:<>\r\n"));
  const std::wstring first = app.workingFolder().File(L"first.rdp");
  const std::wstring second = app.workingFolder().File(L"second server.rdp");
  ASSERT_TRUE(WriteBytes(first, "full address:s:127.0.0.7:3391\nusername:s:ops\n"));
  ASSERT_TRUE(WriteBytes(second, "full address:s:127.0.0.8\ndomain:s:LAB\nusername:s:dev\n"));

  // Relative to the folder the program was started from, as a shell gives it.
  ASSERT_TRUE(app.Start(L"first.rdp"));
  EXPECT_EQ(AnswerImportBox(app), L"已导入 1 台服务器，跳过 0 台重复或无效的项。");
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  HWND list = GetDlgItem(main, kMainServerList);
  ASSERT_TRUE(WaitUntil([&] { return app.RowCount(list) == 2; }));

  HANDLE copy = app.StartAnotherCopy(L"\"" + second + L"\"");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(WaitForSingleObject(copy, kWaitMs), WAIT_OBJECT_0);
  CloseHandle(copy);
  EXPECT_EQ(AnswerImportBox(app), L"已导入 1 台服务器，跳过 0 台重复或无效的项。");
  ASSERT_TRUE(WaitUntil([&] { return app.RowCount(list) == 3; }));
  EXPECT_EQ(app.CellText(list, 2, 2), L"LAB\\dev");

  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  ASSERT_TRUE(app.WaitForExit());
  EXPECT_EQ(app.ConfigPlain(),
            "127.0.0.1|3389|Administrator||office\r\n"
            "127.0.0.7|3391|ops||first\r\n"
            "127.0.0.8|3389|LAB\\dev||second server\r\n"
            "#Start:0\r\n#LoadinPass:<>\r\n");
}

// Closing the window while an import derives a key of 10,000,000 rounds (tens
// of seconds) stops it: the program ends at once, so the next start need not
// wait for it, and nothing of the import is added.
TEST(ImportE2E, ClosingTheWindowDuringALongImportEndsTheProgram) {
  AppUnderTest app;
  const std::string config = "127.0.0.1|3389|Administrator||office\r\n#Start:0\r\n#LoadinPass:<>\r\n";
  ASSERT_TRUE(app.WriteConfig(config));
  // Salt, nonce and tag of zeros: the check of the master password derives its key first.
  ASSERT_TRUE(WriteBytes(app.workingFolder().File(L"confCons.xml"),
                         "<Connections KdfIterations=\"10000000\" Protected=\"" + std::string(64, 'A') +
                             "\"><Node Hostname=\"127.0.0.9\" Protocol=\"RDP\"/></Connections>"));
  ASSERT_TRUE(app.Start(L"confCons.xml"));
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  ASSERT_TRUE(app.WaitForExit());
  EXPECT_EQ(app.ConfigPlain(), config);
}

}  // namespace
}  // namespace rdc::e2e
