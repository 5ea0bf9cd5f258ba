// The prompt for the master password of a connection list that does not open
// with the default one: like the start-up password prompt, asked once per file.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "import/conf_cons_file.h"
#include "ui/form_win32.h"

namespace rdc {

std::span<const ControlSpec> MasterPasswordDialogControls();
FormFrame MasterPasswordDialogFrame();

// The label's text for the file named `fileName`.
std::wstring MasterPasswordLabel(std::wstring_view fileName);

class MasterPasswordDialog : public FormWindow {
 public:
  explicit MasterPasswordDialog(std::wstring fileName) : fileName_(std::move(fileName)) {}

  HWND Create();
  // What was typed when "确定" closed the dialog; nothing after "取消", the
  // close box or Esc.
  const std::optional<std::wstring>& typed() const { return typed_; }

 protected:
  void OnCreated() override;
  void OnCommand(int id, int notification) override;

 private:
  std::wstring fileName_;
  std::optional<std::wstring> typed_;
};

// Shows the dialog modally for each file that asks. Call it on the thread of
// the program's windows.
class MasterPasswordDialogPrompt : public MasterPasswordPrompt {
 public:
  std::optional<std::u16string> AskMasterPassword(std::u16string_view fileName) override;
};

}  // namespace rdc
