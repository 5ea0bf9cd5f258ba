// The start-up password prompt, shown before the main window when a start-up
// password is set.
#pragma once

#include <functional>
#include <memory>
#include <span>

#include "model/startup.h"
#include "ui/form_win32.h"
#include "ui/gbk_limit_win32.h"
#include "ui/hand_over_receiver_win32.h"
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

  // `endProcess` is what "取消(NO)" does: end the program at once. What
  // second starts hand over while the prompt is up goes to `handOvers`, for
  // the main window to carry out once it shows; without one nothing is taken.
  LoginDialog(AppState& state, MessagePrompt& prompt, ProcessEnd endProcess = DefaultProcessEnd,
              HandOverReceiver* handOvers = nullptr);

  HWND Create();

  static void DefaultProcessEnd();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void CheckPassword();

  AppState& state_;
  MessagePrompt& prompt_;
  ProcessEnd endProcess_;
  HandOverReceiver* handOvers_;
  std::unique_ptr<GbkLengthLimit> passwordLimit_;
};

// Shows the prompt modally at start-up; hand-overs it takes go to `handOvers`.
class LoginDialogPrompt : public LoginPrompt {
 public:
  LoginDialogPrompt(MessagePrompt& prompt, HandOverReceiver& handOvers)
      : prompt_(prompt), handOvers_(handOvers) {}
  void Show(AppState& state) override;

 private:
  MessagePrompt& prompt_;
  HandOverReceiver& handOvers_;
};

}  // namespace rdc
