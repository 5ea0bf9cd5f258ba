// The move-to-group dialog: its design, the list of groups, and the OK that
// checks the typed path.
#include "ui/move_to_group_dialog_win32.h"

#include <array>

#include "model/server_groups.h"
#include "text/text_win32.h"
#include "ui/control_ids.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"

namespace rdc {
namespace {

const std::array<ControlSpec, 4> kControls{{
    {kMoveLabel, ControlKind::Label, L"分组：", 12, 16, 44, 24, SS_RIGHT | SS_CENTERIMAGE},
    {kMoveGroupPath, ControlKind::ComboBox, L"", 58, 16, 182, 200},
    {kMoveOk, ControlKind::DefaultButton, L"确定", 20, 56, 100, 31},
    {kMoveCancel, ControlKind::Button, L"取消", 140, 56, 100, 31},
}};

const std::vector<int> kFocusOrder{kMoveGroupPath, kMoveOk, kMoveCancel};

}  // namespace

std::span<const ControlSpec> MoveToGroupDialogControls() {
  return kControls;
}
const std::vector<int>& MoveToGroupDialogFocusOrder() {
  return kFocusOrder;
}
FormFrame MoveToGroupDialogFrame() {
  return {L"移到分组", 262, 131, kDialogFrameStyle};
}

MoveToGroupDialog::MoveToGroupDialog(std::span<const std::string> groupPaths, MessagePrompt& prompt)
    : groupPaths_(groupPaths.begin(), groupPaths.end()), prompt_(prompt) {}

HWND MoveToGroupDialog::Create() {
  return FormWindow::Create(MoveToGroupDialogFrame(), kControls, kFocusOrder, kMoveOk);
}

void MoveToGroupDialog::OnCreated() {
  HWND box = control(kMoveGroupPath);
  SendMessageW(box, CB_LIMITTEXT, 0, 0);  // no limit
  for (const std::string& path : groupPaths_) {
    const std::wstring text = WideFromGbk(path);
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void MoveToGroupDialog::OnCommand(int id, int notification) {
  if (notification != BN_CLICKED) return;
  if (id == kMoveOk) Commit();
  if (id == kMoveCancel) DestroyWindow(hwnd());
}

void MoveToGroupDialog::Commit() {
  const std::string typed = GbkFromWide(Text(kMoveGroupPath));
  if (!IsStorableGroup(typed)) {
    prompt_.Show(kUnstorableServerText, kInputErrorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  result_ = NormalizeGroupPath(typed);
  DestroyWindow(hwnd());
}

std::optional<std::string> RunMoveToGroupDialog(std::span<const std::string> groupPaths,
                                                MessagePrompt& prompt) {
  MoveToGroupDialog dialog(groupPaths, prompt);
  if (dialog.Create()) RunModal(dialog);
  return dialog.result();
}

}  // namespace rdc
