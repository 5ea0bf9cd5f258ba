// The bulk edit dialog: its design, the boxes that enable their fields, and
// the OK that gathers the ticked fields.
#include "ui/bulk_edit_dialog_win32.h"

#include <array>

#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"

namespace rdc {
namespace {

// A field's edit box is disabled until its box is ticked.
constexpr DWORD kFieldEdit = ES_AUTOHSCROLL | WS_DISABLED;

// Positions are client coordinates; every control lies inside the group box.
const std::array<ControlSpec, 11> kControls{{
    {kBulkGroup, ControlKind::GroupBox, L"要修改的项", 4, 2, 248, 202},
    {kBulkUsePort, ControlKind::CheckBox, L"端口", 16, 24, 76, 24},
    {kBulkPort, ControlKind::Edit, L"", 96, 24, 64, 24, kFieldEdit, WS_EX_STATICEDGE},
    {kBulkUseAccount, ControlKind::CheckBox, L"登陆账号", 16, 56, 76, 24},
    {kBulkAccount, ControlKind::Edit, L"", 96, 56, 140, 24, kFieldEdit, WS_EX_STATICEDGE},
    {kBulkUsePassword, ControlKind::CheckBox, L"密码", 16, 88, 76, 24},
    {kBulkPassword, ControlKind::Edit, L"", 96, 88, 140, 24, kFieldEdit | ES_PASSWORD,
     WS_EX_STATICEDGE},
    {kBulkUseGroup, ControlKind::CheckBox, L"分组", 16, 120, 76, 24},
    {kBulkGroupPath, ControlKind::Edit, L"", 96, 120, 140, 24, kFieldEdit, WS_EX_STATICEDGE},
    {kBulkOk, ControlKind::DefaultButton, L"确定", 20, 164, 100, 31},
    {kBulkCancel, ControlKind::Button, L"取消", 140, 164, 100, 31},
}};

const std::vector<int> kFocusOrder{kBulkUsePort,     kBulkPort,     kBulkUseAccount, kBulkAccount,
                                   kBulkUsePassword, kBulkPassword, kBulkUseGroup,   kBulkGroupPath,
                                   kBulkOk,          kBulkCancel};

// Each field: its box, its edit box and the part of the edit it sets.
struct Field {
  int box;
  int edit;
  std::optional<std::string> BulkEdit::*value;
};
constexpr std::array<Field, 4> kFields{{
    {kBulkUsePort, kBulkPort, &BulkEdit::port},
    {kBulkUseAccount, kBulkAccount, &BulkEdit::account},
    {kBulkUsePassword, kBulkPassword, &BulkEdit::password},
    {kBulkUseGroup, kBulkGroupPath, &BulkEdit::group},
}};

}  // namespace

std::span<const ControlSpec> BulkEditDialogControls() {
  return kControls;
}
const std::vector<int>& BulkEditDialogFocusOrder() {
  return kFocusOrder;
}
FormFrame BulkEditDialogFrame() {
  return {L"批量修改", 262, 241, kDialogFrameStyle};
}
std::wstring BulkEditDialogTitle(int count) {
  return L"批量修改 " + std::to_wstring(count) + L" 台服务器";
}

BulkEditDialog::BulkEditDialog(int count, MessagePrompt& prompt) : count_(count), prompt_(prompt) {}

HWND BulkEditDialog::Create() {
  return FormWindow::Create(BulkEditDialogFrame(), kControls, kFocusOrder, kBulkOk);
}

void BulkEditDialog::OnCreated() {
  SetWindowTextW(hwnd(), BulkEditDialogTitle(count_).c_str());
  SendMessageW(control(kBulkPassword), EM_SETPASSWORDCHAR, L'*', 0);
  for (const Field& field : kFields) SendMessageW(control(field.edit), EM_SETLIMITTEXT, 0, 0);
}

void BulkEditDialog::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  if (id == kBulkOk) Commit();
  if (id == kBulkCancel) DestroyWindow(hwnd());
  for (const Field& field : kFields) {
    if (id != field.box) continue;
    const bool ticked = IsChecked(field.box);
    SetEnabled(field.edit, ticked);
    if (ticked) SetFocus(control(field.edit));
  }
}

void BulkEditDialog::Commit() {
  BulkEdit edit;
  bool anyTicked = false;
  for (const Field& field : kFields) {
    if (!IsChecked(field.box)) continue;
    edit.*field.value = GbkFromWide(Text(field.edit));
    anyTicked = true;
  }
  if (anyTicked && !IsStorable(edit)) {
    prompt_.Show(kUnstorableServerText, kInputErrorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  if (anyTicked) result_ = std::move(edit);
  DestroyWindow(hwnd());
}

std::optional<BulkEdit> RunBulkEditDialog(int count, MessagePrompt& prompt) {
  BulkEditDialog dialog(count, prompt);
  if (dialog.Create()) RunModal(dialog);
  return dialog.result();
}

}  // namespace rdc
