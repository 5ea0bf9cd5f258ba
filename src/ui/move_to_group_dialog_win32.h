// The dialog that asks which group servers move to: one of the groups there
// are, or one typed anew.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/form_win32.h"
#include "ui/prompt_win32.h"

namespace rdc {

std::span<const ControlSpec> MoveToGroupDialogControls();
const std::vector<int>& MoveToGroupDialogFocusOrder();
FormFrame MoveToGroupDialogFrame();

class MoveToGroupDialog : public FormWindow {
 public:
  // `groupPaths` (GBK) are listed in the given order.
  MoveToGroupDialog(std::span<const std::string> groupPaths, MessagePrompt& prompt);

  HWND Create();

  // The group OK accepted, in its normal form ("" is no group); none while
  // the dialog is open and after Cancel or a close.
  const std::optional<std::string>& result() const { return result_; }

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void Commit();

  std::vector<std::string> groupPaths_;
  MessagePrompt& prompt_;
  std::optional<std::string> result_;
};

// Opens the dialog modally; the group chosen, or none.
std::optional<std::string> RunMoveToGroupDialog(std::span<const std::string> groupPaths,
                                                MessagePrompt& prompt);

}  // namespace rdc
