// The server dialog: its design, the two modes, and the commit that adds or
// replaces an entry.
#include "ui/server_dialog_win32.h"

#include <array>
#include <utility>

#include "model/config_file.h"
#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"
#include "ui/prompt_win32.h"

namespace rdc {
namespace {

constexpr DWORD kRightLabel = SS_RIGHT | SS_CENTERIMAGE;
constexpr DWORD kLineEdit = ES_AUTOHSCROLL;
// Several lines that wrap, and Enter starts a new one; no scroll bars.
constexpr DWORD kRemarkEdit = ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;

// Positions are client coordinates; every control lies inside the group box.
const std::array<ControlSpec, 13> kControls{{
    {kServerGroup, ControlKind::GroupBox, L"服务器信息", 4, 2, 248, 294},
    {kServerLabelHost, ControlKind::Label, L"IP/域名：", 23, 26, 56, 24, kRightLabel},
    {kServerHost, ControlKind::Edit, L"127.0.0.1", 79, 26, 150, 24, kLineEdit, WS_EX_STATICEDGE},
    {kServerLabelPort, ControlKind::Label, L"端口：", 23, 58, 56, 24, kRightLabel},
    {kServerPort, ControlKind::Edit, L"3389", 79, 58, 64, 24, kLineEdit, WS_EX_STATICEDGE},
    {kServerLabelAccount, ControlKind::Label, L"登陆账号：", 12, 90, 67, 24, kRightLabel},
    {kServerAccount, ControlKind::Edit, L"Administrator", 79, 90, 150, 24, kLineEdit,
     WS_EX_STATICEDGE},
    {kServerLabelPassword, ControlKind::Label, L"登陆密码：", 12, 122, 67, 24, kRightLabel},
    {kServerPassword, ControlKind::Edit, L"", 79, 122, 150, 24, kLineEdit | ES_PASSWORD,
     WS_EX_STATICEDGE},
    {kServerLabelRemark, ControlKind::Label, L"备注：", 12, 154, 67, 24, kRightLabel},
    {kServerRemark, ControlKind::Edit, L"", 79, 154, 150, 88, kRemarkEdit, WS_EX_STATICEDGE},
    {kServerOk, ControlKind::DefaultButton, L"添 加 列 表(ADDLIST)", 20, 256, 100, 31},
    {kServerCancel, ControlKind::Button, L"取 消\r\n(Close)", 140, 256, 100, 31},
}};

const std::vector<int> kFocusOrder{kServerHost,   kServerPort, kServerAccount, kServerPassword,
                                   kServerRemark, kServerOk,   kServerCancel};

constexpr std::array kTextFields{kServerHost, kServerPort, kServerAccount, kServerPassword,
                                 kServerRemark};

}  // namespace

std::span<const ControlSpec> ServerDialogControls() {
  return kControls;
}
const std::vector<int>& ServerDialogFocusOrder() {
  return kFocusOrder;
}
FormFrame ServerDialogFrame() {
  return {L"添加服务器列表", 262, 331, kDialogFrameStyle};
}

ServerDialog::ServerDialog(ServerList& servers, std::uint64_t editedId, MessagePrompt& prompt,
                           std::string groupOfNew)
    : servers_(servers), prompt_(prompt), editedId_(editedId), group_(std::move(groupOfNew)) {}

HWND ServerDialog::Create() {
  return FormWindow::Create(ServerDialogFrame(), kControls, kFocusOrder, kServerOk);
}

void ServerDialog::OnCreated() {
  SendMessageW(control(kServerPassword), EM_SETPASSWORDCHAR, L'*', 0);
  for (int id : kTextFields) SendMessageW(control(id), EM_SETLIMITTEXT, 0, 0);  // no limit
  if (editedId_ == 0) return;  // add mode: the design's values
  const ServerEntry* entry = EntryByNumber(servers_, EntryNumberOfId(servers_, editedId_));
  if (entry == nullptr) return;
  group_ = entry->group;
  settings_ = entry->settings;
  SetText(kServerHost, WideFromGbk(entry->host).c_str());
  SetText(kServerAccount, WideFromGbk(entry->account).c_str());
  SetText(kServerPassword, WideFromGbk(entry->password).c_str());
  SetText(kServerPort, WideFromGbk(entry->port).c_str());
  SetText(kServerRemark, WithWindowsLineBreaks(WideFromGbk(entry->remark)).c_str());
  SetText(kServerOk, L"修 改 列 表(EDIT LIST)");
  SetWindowTextW(hwnd(), L"修改服务器列表");
}

void ServerDialog::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  if (id == kServerOk) Commit();
  if (id == kServerCancel) DestroyWindow(hwnd());
}

void ServerDialog::Commit() {
  ServerTexts texts{GbkFromWide(Text(kServerHost)),
                    GbkFromWide(Text(kServerPort)),
                    GbkFromWide(Text(kServerAccount)),
                    GbkFromWide(Text(kServerPassword)),
                    GbkFromWide(Text(kServerRemark)),
                    group_,
                    settings_};
  // The entry's group and settings now, should another copy have changed them meanwhile.
  if (const ServerEntry* edited = EntryByNumber(servers_, EntryNumberOfId(servers_, editedId_));
      editedId_ != 0 && edited != nullptr) {
    texts.group = edited->group;
    texts.settings = edited->settings;
  }
  if (!IsStorable(texts)) {
    prompt_.Show(kUnstorableServerText, kInputErrorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  result_ = ServerDialogResult::Saved;
  if (editedId_ == 0) {
    AppendServer(servers_, std::move(texts));
  } else if (!ReplaceServerTexts(servers_, EntryNumberOfId(servers_, editedId_), texts)) {
    // Deleted elsewhere while the dialog was open: what the user typed is kept.
    AppendServer(servers_, std::move(texts));
    result_ = ServerDialogResult::SavedAsNew;
  }
  DestroyWindow(hwnd());
}

ServerDialogResult RunServerDialog(ServerList& servers, std::uint64_t editedId,
                                   MessagePrompt& prompt, std::string groupOfNew) {
  ServerDialog dialog(servers, editedId, prompt, std::move(groupOfNew));
  if (dialog.Create()) RunModal(dialog);
  return dialog.result();
}

}  // namespace rdc
