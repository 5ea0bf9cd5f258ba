// The dialog in which the user enters a new server or changes a stored one.
#pragma once

#include <cstdint>
#include <span>
#include <string>

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
  // `editedId` 0 adds a server, in the group `groupOfNew`; the id of an entry
  // edits that entry, wherever it stands in the list when OK is clicked, and
  // keeps its group (the dialog has no field for it).
  ServerDialog(ServerList& servers, std::uint64_t editedId, MessagePrompt& prompt,
               std::string groupOfNew = {});

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
  // The group an added server gets; when editing, the entry's group as the
  // dialog opened, for the entry's texts added anew if it is gone by OK.
  std::string group_;
  // When editing, the entry's connection settings as the dialog opened, kept
  // the same way; the dialog does not show them.
  std::string settings_;
  ServerDialogResult result_ = ServerDialogResult::Unchanged;
};

// Opens the dialog modally; what OK did to the list.
ServerDialogResult RunServerDialog(ServerList& servers, std::uint64_t editedId,
                                   MessagePrompt& prompt, std::string groupOfNew = {});

}  // namespace rdc
