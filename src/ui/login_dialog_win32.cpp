// The start-up password prompt: its design and its three ways out.
#include "ui/login_dialog_win32.h"

#include <array>

#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"
#include "ui/prompt_win32.h"
#include "ui/resources/resource_ids.h"

namespace rdc {
namespace {

const std::array<ControlSpec, 5> kControls{{
    {kLoginPicture, ControlKind::Picture, L"", 12, 20, 38, 38},
    {kLoginLabel, ControlKind::Label, L"请输入密码(Input Password):", 57, 7, 175, 16, SS_CENTER},
    {kLoginPassword, ControlKind::Edit, L"", 64, 26, 152, 24, ES_PASSWORD | ES_AUTOHSCROLL,
     WS_EX_STATICEDGE, ControlFont::SongBold16},
    {kLoginOk, ControlKind::DefaultButton, L"确定(OK)", 64, 59, 72, 24},
    {kLoginCancel, ControlKind::Button, L"取消(NO)", 144, 59, 72, 24},
}};

const std::vector<int> kFocusOrder{kLoginPassword, kLoginOk, kLoginCancel};

}  // namespace

std::span<const ControlSpec> LoginDialogControls() {
  return kControls;
}

FormFrame LoginDialogFrame() {
  return {L"身份验证 (Authentication)", 250, 123, kDialogFrameStyle};
}

LoginDialog::LoginDialog(AppState& state, MessagePrompt& prompt, ProcessEnd endProcess,
                         HandOverReceiver* handOvers)
    : state_(state), prompt_(prompt), endProcess_(std::move(endProcess)), handOvers_(handOvers) {}

LRESULT LoginDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA && handOvers_ && lParam != 0)
    return handOvers_->Take(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
  return FormWindow::HandleMessage(message, wParam, lParam);
}

void LoginDialog::DefaultProcessEnd() {
  ExitProcess(0);
}

HWND LoginDialog::Create() {
  return FormWindow::Create(LoginDialogFrame(), kControls, kFocusOrder, kLoginOk);
}

void LoginDialog::OnCreated() {
  ShowIconPicture(kLoginPicture, IDI_LOCK, kPasswordPictureSize);
  SendMessageW(control(kLoginPassword), EM_SETPASSWORDCHAR, L'*', 0);
  passwordLimit_ =
      std::make_unique<GbkLengthLimit>(control(kLoginPassword), kStartupPasswordMaxBytes);
}

void LoginDialog::OnCommand(int id, int notification) {
  if (id == kLoginPassword && notification == EN_CHANGE && passwordLimit_) {
    passwordLimit_->OnChange();
    return;
  }
  if (notification != BN_CLICKED) return;
  if (id == kLoginOk) CheckPassword();
  if (id == kLoginCancel) endProcess_();
}

void LoginDialog::CheckPassword() {
  if (IsStartupPasswordAccepted(GbkFromWide(Text(kLoginPassword)), state_.startupPassword)) {
    state_.accessGranted = true;
    DestroyWindow(hwnd());
    return;
  }
  prompt_.Show(kWrongPassword, kErrorCaption, MB_OK | MB_ICONERROR);
  SetText(kLoginPassword, L"");
  SetFocus(control(kLoginPassword));
}

void LoginDialogPrompt::Show(AppState& state) {
  LoginDialog dialog(state, prompt_, LoginDialog::DefaultProcessEnd, &handOvers_);
  if (dialog.Create()) RunModal(dialog);
}

}  // namespace rdc
