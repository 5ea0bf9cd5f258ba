// The set-password dialog: its design and what its OK does with the two fields.
#include "ui/set_password_dialog_win32.h"

#include <array>

#include "model/startup.h"
#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/login_dialog_win32.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"
#include "ui/prompt_win32.h"
#include "ui/resources/resource_ids.h"

namespace rdc {
namespace {

const std::array<ControlSpec, 7> kControls{{
    {kSetPasswordPicture, ControlKind::Picture, L"", 16, 15, 40, 32},
    {kSetPasswordLabelNew, ControlKind::Label, L"新的密码:", 64, 9, 56, 16, kPlainLabel},
    {kSetPasswordNew, ControlKind::Edit, L"", 120, 8, 152, 24, ES_AUTOHSCROLL, WS_EX_STATICEDGE},
    {kSetPasswordLabelRepeat, ControlKind::Label, L"重复密码:", 64, 36, 56, 16, kPlainLabel},
    {kSetPasswordRepeat, ControlKind::Edit, L"", 120, 33, 152, 24, ES_AUTOHSCROLL,
     WS_EX_STATICEDGE},
    {kSetPasswordOk, ControlKind::DefaultButton, L"确定(OK)", 120, 65, 70, 26},
    {kSetPasswordCancel, ControlKind::Button, L"取消(NO)", 205, 65, 70, 26},
}};

// The dialog opens with the focus on "取消(NO)"; Enter still means OK.
const std::vector<int> kFocusOrder{kSetPasswordCancel, kSetPasswordNew, kSetPasswordRepeat,
                                   kSetPasswordOk};

}  // namespace

std::span<const ControlSpec> SetPasswordDialogControls() {
  return kControls;
}
const std::vector<int>& SetPasswordDialogFocusOrder() {
  return kFocusOrder;
}
FormFrame SetPasswordDialogFrame() {
  return {L"启动密码设置(Set LoginPass)", 290, 130, kDialogFrameStyle};
}

SetPasswordDialog::SetPasswordDialog(std::string& startupPassword, MessagePrompt& prompt)
    : startupPassword_(startupPassword), prompt_(prompt) {}

HWND SetPasswordDialog::Create() {
  return FormWindow::Create(SetPasswordDialogFrame(), kControls, kFocusOrder, kSetPasswordOk);
}

void SetPasswordDialog::OnCreated() {
  ShowIconPicture(kSetPasswordPicture, IDI_LOCK, kPasswordPictureSize);
  newLimit_ = std::make_unique<GbkLengthLimit>(control(kSetPasswordNew), kStartupPasswordMaxBytes);
  repeatLimit_ =
      std::make_unique<GbkLengthLimit>(control(kSetPasswordRepeat), kStartupPasswordMaxBytes);
}

void SetPasswordDialog::OnCommand(int id, int notification) {
  if (notification == EN_CHANGE) {
    if (id == kSetPasswordNew && newLimit_) newLimit_->OnChange();
    if (id == kSetPasswordRepeat && repeatLimit_) repeatLimit_->OnChange();
    return;
  }
  if (notification != BN_CLICKED) return;
  if (id == kSetPasswordOk) Confirm();
  if (id == kSetPasswordCancel) DestroyWindow(hwnd());
}

void SetPasswordDialog::Confirm() {
  const std::string newPassword = GbkFromWide(Text(kSetPasswordNew));
  switch (JudgeNewStartupPassword(newPassword, GbkFromWide(Text(kSetPasswordRepeat)))) {
    case NewPasswordVerdict::Mismatch:
      prompt_.Show(kPasswordsDiffer, kInputErrorCaption, MB_OK | MB_ICONERROR);
      return;
    case NewPasswordVerdict::HasCloseMarker:
      prompt_.Show(kPasswordHasCloseMarker, kInputErrorCaption, MB_OK | MB_ICONERROR);
      return;
    case NewPasswordVerdict::AskToClear:
      if (prompt_.Show(kConfirmClearPassword, kHintCaption, MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return;
      break;
    case NewPasswordVerdict::Set: break;
  }
  startupPassword_ = newPassword;
  DestroyWindow(hwnd());
}

void RunSetPasswordDialog(std::string& startupPassword, MessagePrompt& prompt) {
  SetPasswordDialog dialog(startupPassword, prompt);
  if (dialog.Create()) RunModal(dialog);
}

}  // namespace rdc
