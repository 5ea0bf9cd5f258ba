// The start-up password prompt, shown before the main window when a start-up
// password is set.
#pragma once

#include <functional>
#include <memory>
#include <span>

#include "model/startup.h"
#include "ui/form_win32.h"
#include "ui/gbk_limit_win32.h"
#include "ui/prompt_win32.h"

namespace rdc {

std::span<const ControlSpec> LoginDialogControls();
FormFrame LoginDialogFrame();

inline constexpr std::size_t kStartupPasswordMaxBytes = 16;

// The size of the two password dialogs' picture (the icon IDI_LOCK) at 96 DPI.
inline constexpr int kPasswordPictureSize = 32;

class LoginDialog : public FormWindow {
 public:
  using ProcessEnd = std::function<void()>;

  // `endProcess` is what "取消(NO)" does: end the program at once.
  LoginDialog(AppState& state, MessagePrompt& prompt, ProcessEnd endProcess = DefaultProcessEnd);

  HWND Create();

  static void DefaultProcessEnd();

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void CheckPassword();

  AppState& state_;
  MessagePrompt& prompt_;
  ProcessEnd endProcess_;
  std::unique_ptr<GbkLengthLimit> passwordLimit_;
};

// Shows the prompt modally at start-up.
class LoginDialogPrompt : public LoginPrompt {
 public:
  explicit LoginDialogPrompt(MessagePrompt& prompt) : prompt_(prompt) {}
  void Show(AppState& state) override;

 private:
  MessagePrompt& prompt_;
};

}  // namespace rdc
