// The start-up password prompt driven by messages: its layout, the password
// check and its ways out, and the 16-byte GBK limit of its field.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/login_dialog_win32.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using test::ExStyle;
using test::FontOf;
using test::PressKey;
using test::PumpMessages;
using test::RecordingPrompt;
using test::ShownBox;
using test::Style;
using test::TypeText;
using test::WindowText;

const ShownBox kWrongPasswordBox{L"密码错误", L"错误", MB_OK | MB_ICONERROR | MB_TASKMODAL};

class LoginDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::InitCommonControlsOnce(); }

  void TearDown() override {
    dialog_.reset();
    PumpMessages();
  }

  void Open() {
    dialog_ = std::make_unique<LoginDialog>(state_, prompt_, [this] { ++processEnds_; });
    hwnd_ = dialog_->Create();
    ASSERT_NE(hwnd_, nullptr);
    PumpMessages();
  }

  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  HWND Field() const { return Control(kLoginPassword); }
  void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }

  // The field's text in the bytes the password is compared in.
  std::string FieldBytes() const { return GbkFromWide(WindowText(Field())); }

  AppState state_;
  RecordingPrompt prompt_;
  int processEnds_ = 0;
  std::unique_ptr<LoginDialog> dialog_;
  HWND hwnd_ = nullptr;
};

using LoginDialogLayout = LoginDialogTest;
using LoginDialogPassword = LoginDialogTest;
using LoginDialogLimit = LoginDialogTest;

// ---- Layout ----

TEST_F(LoginDialogLayout, EveryControlOfTheDesignIsLiveWithItsPlaceClassCaptionAndStyles) {
  Open();
  test::ExpectLiveControlsMatch(hwnd_, LoginDialogControls());
}

TEST_F(LoginDialogLayout, FrameHasTitleFixedSizeAndNoMinimizeOrMaximizeBox) {
  Open();
  EXPECT_EQ(WindowText(hwnd_), L"身份验证 (Authentication)");
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  EXPECT_EQ(outer.right - outer.left, 250);
  EXPECT_EQ(outer.bottom - outer.top, 123);
  const LONG_PTR style = Style(hwnd_);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(ExStyle(hwnd_) & WS_EX_APPWINDOW);
}

TEST_F(LoginDialogLayout, PasswordFieldIsMaskedBoldSongSixteenAndHasFocus) {
  Open();
  EXPECT_TRUE(Style(Field()) & ES_PASSWORD);
  EXPECT_EQ(SendMessageW(Field(), EM_GETPASSWORDCHAR, 0, 0), L'*');
  EXPECT_TRUE(ExStyle(Field()) & WS_EX_STATICEDGE);
  const LOGFONTW font = FontOf(Field());
  EXPECT_EQ(std::wstring(font.lfFaceName), L"宋体");
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(std::abs(font.lfHeight), 16);
  EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);

  EXPECT_EQ(Style(Control(kLoginOk)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(Style(Control(kLoginCancel)) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(Style(Control(kLoginLabel)) & SS_TYPEMASK, SS_CENTER);
  EXPECT_NE(SendMessageW(Control(kLoginPicture), STM_GETICON, 0, 0), 0)
      << "the created event puts the picture in";
  EXPECT_EQ(WindowText(Field()), L"");
  EXPECT_EQ(GetFocus(), Field());
}

// ---- The password and the ways out ----

TEST_F(LoginDialogPassword, WrongPasswordIsReportedFieldEmptiedAndPromptWaits) {
  state_.startupPassword = "secret";
  Open();
  for (const wchar_t* typed : {L"Secret", L"secret ", L""}) {
    SCOPED_TRACE(testing::Message() << "typed " << testing::PrintToString(std::wstring(typed)));
    SetWindowTextW(Field(), typed);
    Click(kLoginOk);
    EXPECT_EQ(prompt_.boxes().back(), kWrongPasswordBox);
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_EQ(WindowText(Field()), L"");
    EXPECT_EQ(GetFocus(), Field()) << "the user can type again at once";
    EXPECT_FALSE(state_.accessGranted);
  }
  EXPECT_EQ(prompt_.boxes().size(), 3u);

  // Any number of attempts: the right one still gets in.
  SetWindowTextW(Field(), L"secret");
  Click(kLoginOk);
  EXPECT_TRUE(state_.accessGranted);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(prompt_.boxes().size(), 3u);
  EXPECT_EQ(processEnds_, 0);
}

TEST_F(LoginDialogPassword, ChinesePasswordTypedAndConfirmedWithEnterGrantsAccess) {
  state_.startupPassword =
      "\xC3\xDC\xC2\xEB"
      "1";  // 密码1
  Open();
  TypeText(Field(), L"密码1");
  PressKey(Field(), VK_RETURN);
  EXPECT_TRUE(state_.accessGranted);
  EXPECT_FALSE(IsWindow(hwnd_));
  EXPECT_EQ(dialog_->hwnd(), nullptr);
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(LoginDialogPassword, CancelEndsTheProcessAndGrantsNothing) {
  state_.startupPassword = "secret";
  Open();
  SetWindowTextW(Field(), L"secret");
  Click(kLoginCancel);
  EXPECT_EQ(processEnds_, 1);
  EXPECT_FALSE(state_.accessGranted);
  EXPECT_TRUE(prompt_.boxes().empty());
}

TEST_F(LoginDialogPassword, CloseBoxAndEscCloseWithoutAccess) {
  state_.startupPassword = "secret";
  for (const char* way : {"close box", "Esc"}) {
    SCOPED_TRACE(way);
    Open();
    SetWindowTextW(Field(), L"secret");
    if (std::string(way) == "Esc") {
      PressKey(Field(), VK_ESCAPE);
    } else {
      SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
      PumpMessages();
    }
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_FALSE(state_.accessGranted);
    EXPECT_EQ(processEnds_, 0);
    dialog_.reset();
  }
  EXPECT_TRUE(prompt_.boxes().empty());
}

// ---- The 16-byte GBK limit ----

TEST_F(LoginDialogLimit, SixteenSingleByteCharactersFitAndASeventeenthIsRefused) {
  Open();
  TypeText(Field(), L"abcdefghijklmnop");
  EXPECT_EQ(FieldBytes(), "abcdefghijklmnop");
  TypeText(Field(), L"q");
  EXPECT_EQ(FieldBytes(), "abcdefghijklmnop");
}

TEST_F(LoginDialogLimit, EightDoubleByteCharactersFitAndANinthIsRefused) {
  Open();
  TypeText(Field(), L"一二三四五六七八");
  EXPECT_EQ(WindowText(Field()), L"一二三四五六七八");
  EXPECT_EQ(FieldBytes().size(), 16u);
  TypeText(Field(), L"九");
  EXPECT_EQ(WindowText(Field()), L"一二三四五六七八");
  TypeText(Field(), L"a");
  EXPECT_EQ(WindowText(Field()), L"一二三四五六七八");
}

TEST_F(LoginDialogLimit, DoubleByteCharacterThatWouldCrossTheLimitIsRefused) {
  Open();
  TypeText(Field(), L"abcdefghijklmno");  // 15 bytes
  TypeText(Field(), L"中");
  EXPECT_EQ(WindowText(Field()), L"abcdefghijklmno");
  TypeText(Field(), L"p");
  EXPECT_EQ(FieldBytes(), "abcdefghijklmnop");

  SetWindowTextW(Field(), L"");
  TypeText(Field(), L"abcdefghijklmn");  // 14 bytes
  TypeText(Field(), L"中");
  EXPECT_EQ(WindowText(Field()), L"abcdefghijklmn中");
}

TEST_F(LoginDialogLimit, PastedOrSetTextNeverExceedsTheLimit) {
  Open();
  const std::wstring nine = L"一二三四五六七八九";
  SendMessageW(Field(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(nine.c_str()));
  std::wstring shown = WindowText(Field());
  EXPECT_LE(GbkFromWide(shown).size(), 16u) << testing::PrintToString(shown);
  EXPECT_EQ(nine.compare(0, shown.size(), shown), 0) << "keeps only what was pasted";

  SetWindowTextW(Field(), L"");
  const std::wstring seventeen = L"abcdefghijklmnopq";
  SetWindowTextW(Field(), seventeen.c_str());
  shown = WindowText(Field());
  EXPECT_LE(GbkFromWide(shown).size(), 16u) << testing::PrintToString(shown);
}

}  // namespace
}  // namespace rdc
