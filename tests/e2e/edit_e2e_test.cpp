// The real program's list edited from outside: add, edit and delete through
// its dialogs, a start-up password set, then ms.ini as the close writes it.
#include <gtest/gtest.h>

#include <string>

#include "driver_win32.h"
#include "ui/control_ids.h"

namespace rdc::e2e {
namespace {

constexpr wchar_t kFormClass[] = L"rdconnect.Form";

TEST(EditE2E, AddEditDeleteAndAPasswordReachMsIniWhenTheWindowCloses) {
  AppUnderTest app;
  ASSERT_TRUE(app.WriteConfig("127.0.0.4|1|u||\r\n#Start:0\r\n#LoadinPass:<>\r\n"));
  ASSERT_TRUE(app.Start());
  HWND main = app.WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  HWND list = GetDlgItem(main, kMainServerList);

  // Opens a form with `button`, fills its fields and clicks its OK.
  auto withForm = [&](int button, const wchar_t* title,
                      std::initializer_list<std::pair<int, const wchar_t*>> fields, int ok) {
    ASSERT_TRUE(PostClick(GetDlgItem(main, button)));
    HWND form = app.WaitForWindow(kFormClass, title);
    ASSERT_NE(form, nullptr) << "no form " << testing::PrintToString(std::wstring(title));
    for (auto [id, text] : fields) ASSERT_TRUE(SetText(GetDlgItem(form, id), text));
    ASSERT_TRUE(PostClick(GetDlgItem(form, ok)));
    EXPECT_TRUE(WaitUntil([form] { return !IsWindow(form); }));
  };

  withForm(kMainAdd, L"添加服务器列表",
           {{kServerHost, L"127.0.0.5"},
            {kServerAccount, L"新主机"},
            {kServerRemark, L"第一行\r\n第二行"}},
           kServerOk);
  ASSERT_TRUE(WaitUntil([&] { return app.RowCount(list) == 2; }));
  EXPECT_EQ(app.CellText(list, 1, 2), L"新主机");

  ASSERT_TRUE(app.SelectRow(list, 1));
  withForm(kMainEdit, L"修改服务器列表", {{kServerPort, L"3390"}}, kServerOk);
  EXPECT_TRUE(WaitUntil([&] { return app.CellText(list, 1, 1) == L"3390"; }));

  ASSERT_TRUE(app.SelectRow(list, 0));
  ASSERT_TRUE(PostClick(GetDlgItem(main, kMainDelete)));
  HWND box = app.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadMessageBox(box).text, L"确认删除该项？");
  ASSERT_TRUE(AnswerMessageBox(box, IDOK));
  ASSERT_TRUE(WaitUntil([&] { return app.RowCount(list) == 1; }));

  withForm(kMainStartupPassword, L"启动密码设置(Set LoginPass)",
           {{kSetPasswordNew, L"pw"}, {kSetPasswordRepeat, L"pw"}}, kSetPasswordOk);

  ASSERT_TRUE(PostMessageW(main, WM_CLOSE, 0, 0));
  ASSERT_TRUE(app.WaitForExit());
  // 新主机 and 第一行 LF 第二行 in GBK: the remark's line break is a lone LF.
  EXPECT_EQ(app.ConfigPlain(),
            "127.0.0.5|3390|\xD0\xC2\xD6\xF7\xBB\xFA||"
            "\xB5\xDA\xD2\xBB\xD0\xD0\n\xB5\xDA\xB6\xFE\xD0\xD0\r\n"
            "#Start:0\r\n#LoadinPass:<pw>\r\n");
}

}  // namespace
}  // namespace rdc::e2e
