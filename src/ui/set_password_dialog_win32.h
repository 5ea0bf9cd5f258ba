// The dialog that sets or clears the start-up password.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "ui/form_win32.h"
#include "ui/gbk_limit_win32.h"
#include "ui/prompt_win32.h"

namespace rdc {

std::span<const ControlSpec> SetPasswordDialogControls();
const std::vector<int>& SetPasswordDialogFocusOrder();
FormFrame SetPasswordDialogFrame();

class SetPasswordDialog : public FormWindow {
 public:
  // `startupPassword` is replaced when the user confirms a new one or the clearing.
  SetPasswordDialog(std::string& startupPassword, MessagePrompt& prompt);

  HWND Create();

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void Confirm();

  std::string& startupPassword_;
  MessagePrompt& prompt_;
  std::unique_ptr<GbkLengthLimit> newLimit_;
  std::unique_ptr<GbkLengthLimit> repeatLimit_;
};

void RunSetPasswordDialog(std::string& startupPassword, MessagePrompt& prompt);

}  // namespace rdc
