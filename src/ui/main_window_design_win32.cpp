// The design of the main window: its frame, its controls in design order, the
// focus order, and the columns of its server list. The tests read it too.
#include "ui/main_window_design_win32.h"

#include <commctrl.h>

#include <array>

#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/vendor.h"

namespace rdc {
namespace {

const std::wstring kVendorLinkCaption = std::wstring(L"进入tarnwick站 ") + kVendorDomain;

constexpr DWORD kOptionEdit = ES_AUTOHSCROLL;
constexpr DWORD kRemarkEdit = ES_MULTILINE | ES_READONLY;

// Every control in its design order; positions are client coordinates.
const std::array<ControlSpec, 26> kControls{{
    {kMainServerGroup, ControlKind::GroupBox, L"服务器控制", 13, 5, 465, 180},
    {kMainTemporaryGroup, ControlKind::GroupBox, L"临时远程登陆", 13, 193, 344, 80},
    {kMainConnectionGroup, ControlKind::GroupBox, L"连接方式", 364, 194, 115, 79},
    {kMainRemarkGroup, ControlKind::GroupBox, L"备注", 14, 276, 344, 56},
    {kMainResolutionGroup, ControlKind::GroupBox, L"分辨率", 364, 276, 115, 56},
    {kMainVendorLink, ControlKind::Button, kVendorLinkCaption.c_str(), 119, 354, 232, 20, 0, 0,
     ControlFont::NSimSun12},
    {kMainServerList, ControlKind::ListView, L"", 21, 17, 344, 160,
     LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, WS_EX_STATICEDGE,
     ControlFont::Song12},
    {kMainConnect, ControlKind::DefaultButton, L"连接", 373, 17, 100, 30, WS_DISABLED, 0,
     ControlFont::SongBold12},
    {kMainAdd, ControlKind::Button, L"添加", 373, 49, 100, 30},
    {kMainDelete, ControlKind::Button, L"删除", 373, 81, 100, 30, WS_DISABLED},
    {kMainEdit, ControlKind::Button, L"修改", 373, 113, 100, 30},
    {kMainStartupPassword, ControlKind::Button, L"启动密码", 373, 146, 100, 30},
    {kMainLabelIp, ControlKind::Label, L"IP", 21, 211, 24, 16, kPlainLabel},
    {kMainTemporaryHost, ControlKind::Edit, L"", 45, 209, 136, 24, kOptionEdit, WS_EX_CLIENTEDGE},
    {kMainLabelPassword, ControlKind::Label, L"密码", 17, 241, 28, 24, kPlainLabel},
    {kMainTemporaryPassword, ControlKind::Edit, L"", 45, 240, 136, 24, kOptionEdit,
     WS_EX_CLIENTEDGE},
    {kMainLabelAccount, ControlKind::Label, L"账号", 189, 209, 24, 24, kPlainLabel},
    {kMainTemporaryAccount, ControlKind::Edit, L"administrator", 221, 209, 80, 24, kOptionEdit,
     WS_EX_CLIENTEDGE},
    {kMainLabelPort, ControlKind::Label, L"端口", 189, 241, 24, 24, kPlainLabel},
    {kMainTemporaryPort, ControlKind::Edit, L"3389", 221, 240, 80, 24, kOptionEdit,
     WS_EX_CLIENTEDGE},
    {kMainTemporaryLogin, ControlKind::Button, L"登陆", 307, 209, 40, 56},
    {kMainShareDisks, ControlKind::CheckBox, L"连接本地磁盘", 372, 212, 95, 24},
    {kMainForceAdmin, ControlKind::CheckBox, L"强制登陆模式", 372, 244, 95, 16},
    {kMainRemark, ControlKind::Edit, L"", 21, 289, 328, 36, kRemarkEdit, WS_EX_STATICEDGE},
    // The two radio buttons form one group: the first starts it, the next control ends it.
    {kMainSmallScreen, ControlKind::RadioButton, L"  小屏幕", 372, 291, 88, 16, WS_GROUP},
    {kMainFullScreen, ControlKind::RadioButton, L"  全屏幕", 372, 311, 80, 16},
}};

const std::vector<int> kFocusOrder{kMainForceAdmin,
                                   kMainConnect,
                                   kMainAdd,
                                   kMainDelete,
                                   kMainEdit,
                                   kMainFullScreen,
                                   kMainSmallScreen,
                                   kMainStartupPassword,
                                   kMainRemark,
                                   kMainServerList,
                                   kMainTemporaryHost,
                                   kMainTemporaryPassword,
                                   kMainTemporaryAccount,
                                   kMainTemporaryPort,
                                   kMainTemporaryLogin,
                                   kMainShareDisks,
                                   kMainVendorLink};


// The columns of the server list.
constexpr std::array<ListColumn, 4> kColumns{{
    {L"主机IP地址", 130, LVCFMT_LEFT, HostColumnText},
    {L"端口", 50, LVCFMT_LEFT, PortColumnText},
    {L"登陆账号", 100, LVCFMT_CENTER, AccountColumnText},
    {L"网络状态", 60, LVCFMT_CENTER, StatusColumnText},
}};

}  // namespace

std::span<const ControlSpec> MainWindowControls() {
  return kControls;
}
const std::vector<int>& MainWindowFocusOrder() {
  return kFocusOrder;
}
std::wstring MainWindowTitle() {
  return std::wstring(kVendorDomain) + L" 远程桌面连接器";
}

FormFrame MainWindowFrame() {
  static const std::wstring title = MainWindowTitle();
  return {title.c_str(), 497, 408, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX};
}

std::span<const ListColumn> MainWindowColumns() {
  return kColumns;
}

}  // namespace rdc
