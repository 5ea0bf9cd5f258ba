// The master password prompt: its design and its two ways out.
#include "ui/master_password_dialog_win32.h"

#include <array>

#include "ui/control_ids.h"
#include "ui/login_dialog_win32.h"
#include "ui/message_loop_win32.h"
#include "ui/resources/resource_ids.h"

namespace rdc {
namespace {

const std::array<ControlSpec, 5> kControls{{
    {kMasterPicture, ControlKind::Picture, L"", 12, 20, 38, 38},
    {kMasterLabel, ControlKind::Label, L"", 57, 7, 225, 16,
     kPlainLabel | SS_ENDELLIPSIS | SS_NOPREFIX},
    {kMasterPassword, ControlKind::Edit, L"", 64, 26, 202, 24, ES_PASSWORD | ES_AUTOHSCROLL,
     WS_EX_STATICEDGE},
    {kMasterOk, ControlKind::DefaultButton, L"确定", 114, 59, 72, 24},
    {kMasterCancel, ControlKind::Button, L"取消", 194, 59, 72, 24},
}};

const std::vector<int> kFocusOrder{kMasterPassword, kMasterOk, kMasterCancel};

}  // namespace

std::span<const ControlSpec> MasterPasswordDialogControls() {
  return kControls;
}

FormFrame MasterPasswordDialogFrame() {
  return {L"主密码", 300, 123, kDialogFrameStyle};
}

std::wstring MasterPasswordLabel(std::wstring_view fileName) {
  return L"输入 " + std::wstring(fileName) + L" 的主密码：";
}

HWND MasterPasswordDialog::Create() {
  return FormWindow::Create(MasterPasswordDialogFrame(), kControls, kFocusOrder, kMasterOk);
}

void MasterPasswordDialog::OnCreated() {
  ShowIconPicture(kMasterPicture, IDI_LOCK, kPasswordPictureSize);
  SetText(kMasterLabel, MasterPasswordLabel(fileName_).c_str());
  SendMessageW(control(kMasterPassword), EM_SETPASSWORDCHAR, L'*', 0);
}

void MasterPasswordDialog::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  if (id == kMasterOk) typed_ = Text(kMasterPassword);
  if (id == kMasterOk || id == kMasterCancel) DestroyWindow(hwnd());
}

std::optional<std::u16string> MasterPasswordDialogPrompt::AskMasterPassword(
    std::u16string_view fileName) {
  MasterPasswordDialog dialog(std::wstring(fileName.begin(), fileName.end()));
  if (dialog.Create()) RunModal(dialog);
  if (!dialog.typed()) return std::nullopt;
  return std::u16string(dialog.typed()->begin(), dialog.typed()->end());
}

}  // namespace rdc
