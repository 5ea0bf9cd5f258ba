// The master password prompt driven by messages: its layout and texts, and
// what each way out gives the import.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/master_password_dialog_win32.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using test::PumpMessages;
using test::WindowText;

class MasterPasswordDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::InitCommonControlsOnce(); }
  void TearDown() override { PumpMessages(); }
};

TEST_F(MasterPasswordDialogTest, LayoutTitleAndTheFileItAsksFor) {
  MasterPasswordDialog dialog(L"团队 confCons.xml");
  const HWND hwnd = dialog.Create();
  ASSERT_NE(hwnd, nullptr);
  PumpMessages();
  // The label's caption is the file's, set when the dialog opens.
  const std::wstring label = L"输入 团队 confCons.xml 的主密码：";
  std::vector<ControlSpec> design(MasterPasswordDialogControls().begin(),
                                  MasterPasswordDialogControls().end());
  for (ControlSpec& control : design)
    if (control.id == kMasterLabel) control.caption = label.c_str();
  test::ExpectLiveControlsMatch(hwnd, design);
  EXPECT_EQ(WindowText(hwnd), L"主密码");
  EXPECT_EQ(SendMessageW(GetDlgItem(hwnd, kMasterPassword), EM_GETPASSWORDCHAR, 0, 0), L'*');
  EXPECT_EQ(GetFocus(), GetDlgItem(hwnd, kMasterPassword));
  DestroyWindow(hwnd);
}

TEST_F(MasterPasswordDialogTest, EachWayOutGivesTheImportItsAnswer) {
  struct Case {
    const char* what;
    std::wstring typed;
    int click;  // 0: the close box
    std::optional<std::u16string> answer;
  };
  const Case cases[] = {
      {"OK gives what was typed, any character", L"pass 密码 \u0E01", kMasterOk,
       u"pass 密码 \u0E01"},
      {"OK with nothing typed gives an empty password", L"", kMasterOk, u""},
      {"cancel gives nothing", L"typed", kMasterCancel, std::nullopt},
      {"the close box gives nothing", L"typed", 0, std::nullopt},
  };
  for (const Case& c : cases) {
    MasterPasswordDialogPrompt prompt;
    std::optional<std::u16string> answer = u"not asked";
    const bool shown = test::WithModalForm(
        nullptr, [&] { answer = prompt.AskMasterPassword(u"confCons.xml"); },
        [&](HWND form) {
          SetWindowTextW(GetDlgItem(form, kMasterPassword), c.typed.c_str());
          if (c.click != 0) {
            PostMessageW(GetDlgItem(form, c.click), BM_CLICK, 0, 0);
          } else {
            PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);
          }
        });
    EXPECT_TRUE(shown) << c.what;
    EXPECT_EQ(answer, c.answer) << c.what;
  }
}

}  // namespace
}  // namespace rdc
