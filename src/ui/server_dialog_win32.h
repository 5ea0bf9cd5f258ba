// The dialog in which the user enters a new server or changes a stored one.
#pragma once

#include <span>

#include "model/server_list.h"
#include "ui/form_win32.h"
#include "ui/prompt_win32.h"

namespace rdc {

std::span<const ControlSpec> ServerDialogControls();
const std::vector<int>& ServerDialogFocusOrder();
FormFrame ServerDialogFrame();

class ServerDialog : public FormWindow {
 public:
  // `editTarget` 0 adds a server; an entry number edits that entry.
  ServerDialog(ServerList& servers, int editTarget, MessagePrompt& prompt);

  HWND Create();

  // Whether OK changed the list (the caller then rebuilds its view).
  bool committed() const { return committed_; }

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void Commit();

  ServerList& servers_;
  MessagePrompt& prompt_;
  int editTarget_;
  bool committed_ = false;
};

// Opens the dialog modally; true when the list changed.
bool RunServerDialog(ServerList& servers, int editTarget, MessagePrompt& prompt);

}  // namespace rdc
