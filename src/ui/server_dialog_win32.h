// The dialog in which the user enters a new server or changes a stored one.
#pragma once

#include <cstdint>
#include <span>

#include "model/server_list.h"
#include "ui/form_win32.h"
#include "ui/prompt_win32.h"

namespace rdc {

std::span<const ControlSpec> ServerDialogControls();
const std::vector<int>& ServerDialogFocusOrder();
FormFrame ServerDialogFrame();

// What OK did to the list.
enum class ServerDialogResult {
  Unchanged,   // cancelled or closed
  Saved,       // the server was added, or the edited one changed
  SavedAsNew,  // the edited server was gone (deleted elsewhere): its texts were added anew
};

class ServerDialog : public FormWindow {
 public:
  // `editedId` 0 adds a server; the id of an entry edits that entry, wherever
  // it stands in the list when OK is clicked.
  ServerDialog(ServerList& servers, std::uint64_t editedId, MessagePrompt& prompt);

  HWND Create();

  ServerDialogResult result() const { return result_; }

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void Commit();

  ServerList& servers_;
  MessagePrompt& prompt_;
  std::uint64_t editedId_;
  ServerDialogResult result_ = ServerDialogResult::Unchanged;
};

// Opens the dialog modally; what OK did to the list.
ServerDialogResult RunServerDialog(ServerList& servers, std::uint64_t editedId,
                                   MessagePrompt& prompt);

}  // namespace rdc
