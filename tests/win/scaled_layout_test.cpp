// The four windows at the DPI they are shown at: every control, the outer
// size, the named fonts, the list view's columns and the pictures are their
// design values scaled by DPI/96. ctest runs these with the other tests at
// 96 DPI and again in a Wine prefix of their own at 144 DPI; RDC_EXPECTED_DPI
// names the DPI the run must see, so a prefix that is not at it fails.
// clang-format off
#include <windows.h>  // before the other Windows headers
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "launch/launch_environment_win32.h"
#include "model/app_state.h"
#include "model/config_store_win32.h"
#include "model/shared_config_win32.h"
#include "test_files_win32.h"
#include "ui/bulk_edit_dialog_win32.h"
#include "ui/connection_settings_dialog_win32.h"
#include "ui/control_ids.h"
#include "ui/dpi_win32.h"
#include "ui/login_dialog_win32.h"
#include "ui/main_window_win32.h"
#include "ui/move_to_group_dialog_win32.h"
#include "ui/server_dialog_win32.h"
#include "import/server_importer_win32.h"
#include "ui/set_password_dialog_win32.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using test::AtDpi;
using test::FontOf;
using test::PumpMessages;
using test::RectIn;

int ExpectedDpi() {
  const char* dpi = std::getenv("RDC_EXPECTED_DPI");
  return dpi ? std::atoi(dpi) : 96;
}

SIZE OuterSize(HWND hwnd) {
  RECT outer{};
  GetWindowRect(hwnd, &outer);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

void ExpectOuterSize(HWND hwnd, const FormFrame& frame, int dpi) {
  const SIZE size = OuterSize(hwnd);
  EXPECT_EQ(size.cx, AtDpi(frame.outerWidth, dpi));
  EXPECT_EQ(size.cy, AtDpi(frame.outerHeight, dpi));
}

// The size of the icon a picture box shows.
SIZE PictureSize(HWND box) {
  auto icon = reinterpret_cast<HICON>(SendMessageW(box, STM_GETICON, 0, 0));
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  BITMAP bitmap{};
  GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return {bitmap.bmWidth, bitmap.bmHeight};
}

// Asks `hwnd` to move to `dpi` as Windows does when it crosses to another
// monitor, suggesting the window's rectangle scaled from `fromDpi`.
RECT SendDpiChanged(HWND hwnd, int fromDpi, int dpi) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  rect.right = rect.left + MulDiv(rect.right - rect.left, dpi, fromDpi);
  rect.bottom = rect.top + MulDiv(rect.bottom - rect.top, dpi, fromDpi);
  SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
  PumpMessages();
  return rect;
}

class ScaledLayout : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::InitCommonControlsOnce(); }
  void TearDown() override {
    main_.reset();
    PumpMessages();
  }

  HWND OpenMainWindow() {
    main_ = std::make_unique<MainWindow>(
        state_, MainWindowServices{OpenConfig(), launch_, sweeps_, opener_, prompt_, importer_});
    HWND hwnd = main_->Create();
    PumpMessages();
    return hwnd;
  }

  // Column widths, the state pictures' size and the named fonts of the main window.
  void ExpectMainWindowScaledParts(HWND hwnd, int dpi) {
    HWND list = GetDlgItem(hwnd, kMainServerList);
    const std::array<int, 4> widths{130, 50, 100, 60};
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(ListView_GetColumnWidth(list, i), AtDpi(widths[i], dpi)) << "column " << i;
    int width = 0, height = 0;
    ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_STATE), &width, &height);
    EXPECT_EQ(width, AtDpi(12, dpi));
    EXPECT_EQ(height, AtDpi(13, dpi));
    EXPECT_EQ(std::abs(FontOf(GetDlgItem(hwnd, kMainConnect)).lfHeight), AtDpi(12, dpi));
    EXPECT_EQ(std::abs(FontOf(list).lfHeight), AtDpi(12, dpi));
  }

  test::TestFolder folder_;
  ConfigFileStore store_{folder_.File(L"ms.ini")};
  std::optional<SharedConfig> config_;
  // ms.ini as the start-up read it: the loaded configuration, the file's stamp now.
  SharedConfig& OpenConfig() {
    config_.emplace(store_, state_.loadedConfig, store_.Stamp());
    return *config_;
  }
  AppState state_;
  test::RecordingPrompt prompt_;
  std::string startupPassword_;
  ServerList servers_;
  Win32LaunchEnvironment launch_;
  test::NoSweeps sweeps_;
  test::RecordingAddressOpener opener_;
  SystemServerImporter importer_;
  std::unique_ptr<MainWindow> main_;
};

TEST_F(ScaledLayout, MainWindowIsItsDesignAtTheDpiItIsShownAt) {
  const int dpi = ExpectedDpi();
  HWND hwnd = OpenMainWindow();
  ASSERT_NE(hwnd, nullptr);
  ASSERT_EQ(WindowDpi(hwnd), dpi) << "the prefix is not at the DPI this run expects";
  test::ExpectLiveControlsMatch(hwnd, MainWindowControls(), dpi);
  ExpectOuterSize(hwnd, MainWindowFrame(), dpi);
  ExpectMainWindowScaledParts(hwnd, dpi);

  // Two rectangles written out: at 144 DPI halves round up (21 * 1.5 = 31.5 -> 32).
  struct Expected {
    int id;
    RECT at96, at144;
  };
  const std::array<Expected, 2> rows{{
      {kMainServerList, {21, 17, 365, 177}, {32, 26, 548, 266}},
      {kMainConnect, {373, 17, 473, 47}, {560, 26, 710, 71}},
  }};
  for (const Expected& row : rows) {
    if (dpi != 96 && dpi != 144) break;
    const RECT expected = dpi == 96 ? row.at96 : row.at144;
    const RECT live = RectIn(hwnd, GetDlgItem(hwnd, row.id));
    EXPECT_TRUE(EqualRect(&live, &expected))
        << "control " << row.id << ": " << live.left << "," << live.top << " - " << live.right
        << "," << live.bottom;
  }
}

TEST_F(ScaledLayout, DialogsAreTheirDesignsAtTheDpiTheyAreShownAt) {
  const int dpi = ExpectedDpi();
  {
    ServerDialog dialog(servers_, 0, prompt_);
    ASSERT_NE(dialog.Create(), nullptr);
    ASSERT_EQ(WindowDpi(dialog.hwnd()), dpi);
    test::ExpectLiveControlsMatch(dialog.hwnd(), ServerDialogControls(), dpi);
    ExpectOuterSize(dialog.hwnd(), ServerDialogFrame(), dpi);
  }
  {
    LoginDialog dialog(state_, prompt_, [] {});
    ASSERT_NE(dialog.Create(), nullptr);
    test::ExpectLiveControlsMatch(dialog.hwnd(), LoginDialogControls(), dpi);
    ExpectOuterSize(dialog.hwnd(), LoginDialogFrame(), dpi);
    const SIZE picture = PictureSize(GetDlgItem(dialog.hwnd(), kLoginPicture));
    EXPECT_EQ(picture.cx, AtDpi(32, dpi));
    EXPECT_EQ(picture.cy, AtDpi(32, dpi));
    EXPECT_EQ(std::abs(FontOf(GetDlgItem(dialog.hwnd(), kLoginPassword)).lfHeight), AtDpi(16, dpi));
  }
  {
    SetPasswordDialog dialog(startupPassword_, prompt_);
    ASSERT_NE(dialog.Create(), nullptr);
    test::ExpectLiveControlsMatch(dialog.hwnd(), SetPasswordDialogControls(), dpi);
    ExpectOuterSize(dialog.hwnd(), SetPasswordDialogFrame(), dpi);
    EXPECT_EQ(PictureSize(GetDlgItem(dialog.hwnd(), kSetPasswordPicture)).cx, AtDpi(32, dpi));
  }
  {
    BulkEditDialog dialog(2, prompt_);
    ASSERT_NE(dialog.Create(), nullptr);
    test::ExpectLiveControlsMatch(dialog.hwnd(), BulkEditDialogControls(), dpi);
    ExpectOuterSize(dialog.hwnd(), BulkEditDialogFrame(), dpi);
  }
  {
    ConnectionSettingsDialog dialog({ConnectionSettings{}}, prompt_);
    ASSERT_NE(dialog.Create(), nullptr);
    test::ExpectLiveControlsMatch(dialog.hwnd(), ConnectionSettingsDialogControls(), dpi);
    ExpectOuterSize(dialog.hwnd(), ConnectionSettingsDialogFrame(), dpi);
  }
  {
    MoveToGroupDialog dialog({}, prompt_);
    ASSERT_NE(dialog.Create(), nullptr);
    test::ExpectLiveControlsMatch(dialog.hwnd(), MoveToGroupDialogControls(), dpi);
    ExpectOuterSize(dialog.hwnd(), MoveToGroupDialogFrame(), dpi);
  }
  PumpMessages();
}

// The manager lays itself out as it is sized: its margins, the tree's first
// width and its columns at the DPI, the list filling the rest.
TEST_F(ScaledLayout, ServerManagerScalesItsSizeTreeAndColumns) {
  const int dpi = ExpectedDpi();
  ASSERT_NE(OpenMainWindow(), nullptr);
  main_->OpenManager();
  HWND manager = main_->manager()->hwnd();
  ASSERT_EQ(WindowDpi(manager), dpi);
  RECT work{}, outer{}, client{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(manager, &outer);
  EXPECT_EQ(outer.right - outer.left, std::min<int>(AtDpi(960, dpi), work.right - work.left));
  GetClientRect(manager, &client);
  const RECT tree = RectIn(manager, GetDlgItem(manager, kManagerTree));
  const RECT list = RectIn(manager, GetDlgItem(manager, kManagerList));
  const RECT search = RectIn(manager, GetDlgItem(manager, kManagerSearch));
  EXPECT_EQ(search.left, AtDpi(8, dpi));
  EXPECT_EQ(search.bottom - search.top, AtDpi(23, dpi));
  EXPECT_EQ(tree.right - tree.left, AtDpi(220, dpi));
  EXPECT_EQ(list.left, tree.right + AtDpi(5, dpi));
  EXPECT_EQ(list.right, client.right - AtDpi(8, dpi));
  const std::array<int, 7> widths{130, 50, 100, 70, 60, 140, 150};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(ListView_GetColumnWidth(GetDlgItem(manager, kManagerList), i), AtDpi(widths[i], dpi));
}

// The main window goes to 125% (its 200% size is taller than the test's
// screen, which the system does not allow), the login dialog to 200%.
TEST_F(ScaledLayout, MovingToAMonitorOfAnotherDpiLaysTheWindowOutAgain) {
  const int dpi = ExpectedDpi();
  HWND hwnd = OpenMainWindow();
  ASSERT_NE(hwnd, nullptr);

  const RECT suggested = SendDpiChanged(hwnd, dpi, 120);
  RECT outer{};
  GetWindowRect(hwnd, &outer);
  EXPECT_TRUE(EqualRect(&outer, &suggested)) << "the window takes the suggested rectangle";
  test::ExpectLiveControlsMatch(hwnd, MainWindowControls(), 120);
  ExpectMainWindowScaledParts(hwnd, 120);

  SendDpiChanged(hwnd, 120, dpi);
  test::ExpectLiveControlsMatch(hwnd, MainWindowControls(), dpi);
  ExpectMainWindowScaledParts(hwnd, dpi);

  LoginDialog login(state_, prompt_, [] {});
  ASSERT_NE(login.Create(), nullptr);
  SendDpiChanged(login.hwnd(), dpi, 192);
  test::ExpectLiveControlsMatch(login.hwnd(), LoginDialogControls(), 192);
  EXPECT_EQ(PictureSize(GetDlgItem(login.hwnd(), kLoginPicture)).cx, 64);
  EXPECT_EQ(std::abs(FontOf(GetDlgItem(login.hwnd(), kLoginPassword)).lfHeight), 32);
}

}  // namespace
}  // namespace rdc
