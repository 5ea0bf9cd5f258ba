// The dialog "连接设置": a server's own connection settings, or those of
// several servers at once (a choice they do not share shows "(不同)", and
// only the choices the user changes are set on all of them). Every choice
// starts at "跟随主窗口", what a server without settings does.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/connection_settings.h"
#include "ui/form_win32.h"
#include "ui/prompt_win32.h"

namespace rdc {

std::span<const ControlSpec> ConnectionSettingsDialogControls();
FormFrame ConnectionSettingsDialogFrame();

// The choices OK took: the values of those the user changed.
class SettingsChange {
 public:
  // Sets the changed choices on `settings`; the others stay as they are.
  void ApplyTo(ConnectionSettings& settings) const;

 private:
  friend class ConnectionSettingsDialog;
  ConnectionSettings values_;
  std::vector<bool> changed_;  // one per choice of the dialog
};

class ConnectionSettingsDialog : public FormWindow {
 public:
  // `current`: the settings of each server the dialog is for (one or more).
  ConnectionSettingsDialog(std::vector<ConnectionSettings> current, MessagePrompt& prompt);

  HWND Create();
  const std::optional<SettingsChange>& result() const { return result_; }

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  void Commit();
  // The size, monitor and drive fields take text only for their choice.
  void EnableDependentFields();
  bool Differs(std::size_t choice) const;  // the servers do not share it

  std::vector<ConnectionSettings> current_;
  MessagePrompt& prompt_;
  std::vector<std::wstring> shownTexts_;  // each field's text when the dialog opened
  std::vector<int> shownItems_;           // each drop-down's choice then
  std::optional<SettingsChange> result_;
};

// Opens the dialog modally; what OK took, or none.
std::optional<SettingsChange> RunConnectionSettingsDialog(std::vector<ConnectionSettings> current,
                                                          MessagePrompt& prompt);

}  // namespace rdc
