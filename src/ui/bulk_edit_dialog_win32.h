// The dialog that sets some fields on many servers at once: a field changes
// only when its box is ticked, and then to what its edit box holds.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "model/server_edits.h"
#include "ui/form_win32.h"
#include "ui/prompt_win32.h"

namespace rdc {

std::span<const ControlSpec> BulkEditDialogControls();
const std::vector<int>& BulkEditDialogFocusOrder();
FormFrame BulkEditDialogFrame();
// The title of the dialog for `count` servers.
std::wstring BulkEditDialogTitle(int count);

class BulkEditDialog : public FormWindow {
 public:
  BulkEditDialog(int count, MessagePrompt& prompt);

  HWND Create();

  // The edit OK accepted; none while the dialog is open, after Cancel or a
  // close, and after an OK with no box ticked.
  const std::optional<BulkEdit>& result() const { return result_; }

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void Commit();

  int count_;
  MessagePrompt& prompt_;
  std::optional<BulkEdit> result_;
};

// Opens the dialog modally for `count` servers; the fields to set, or none.
std::optional<BulkEdit> RunBulkEditDialog(int count, MessagePrompt& prompt);

}  // namespace rdc
