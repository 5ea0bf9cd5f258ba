// The server manager's operations on the servers chosen in its list or its
// tree: each asks what it needs, changes the list and has the change saved.
#include "ui/server_manager_win32.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/server_address.h"
#include "model/server_edits.h"
#include "model/server_groups.h"
#include "text/text_win32.h"
#include "ui/bulk_edit_dialog_win32.h"
#include "ui/chinese_order_win32.h"
#include "ui/clipboard_win32.h"
#include "ui/connection_settings_dialog_win32.h"
#include "ui/messages.h"
#include "ui/move_to_group_dialog_win32.h"
#include "ui/open_files_dialog_win32.h"
#include "ui/window_messages.h"

namespace rdc {
namespace {

// A group path without its last level ("" for a top-level group).
std::string ParentPath(const std::string& path) {
  const std::size_t slash = path.rfind(kGroupLevelSeparator);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

void ServerManager::Changed() {
  owner_.SaveListChange();
}

void ServerManager::ConnectSelected() {
  const std::vector<std::uint64_t> ids = view_->SelectedIds();
  if (ids.size() > kConnectionsWithoutAsking &&
      prompt_.Show(ConfirmManyConnectionsText(ids.size()).c_str(), kConnectCaption,
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  for (const std::uint64_t id : ids) owner_.ConnectServer(id);
}

void ServerManager::EditSelected() {
  const std::vector<std::uint64_t> ids = view_->SelectedIds();
  if (ids.empty()) return;
  if (ids.size() == 1) {
    owner_.OpenServerDialog(ids.front(), {});
    return;
  }
  const std::optional<BulkEdit> edit = RunBulkEditDialog(static_cast<int>(ids.size()), prompt_);
  // One change, one save, however many servers it sets.
  if (edit && ApplyBulkEdit(servers_, ids, *edit) > 0) Changed();
}

void ServerManager::EditConnectionSettings() {
  const std::vector<std::uint64_t> ids = view_->SelectedIds();
  std::vector<ConnectionSettings> current;
  for (const std::uint64_t id : ids)
    if (const ServerEntry* entry = EntryByNumber(servers_, EntryNumberOfId(servers_, id)))
      current.push_back(ParseSettingsField(entry->settings));
  if (current.empty()) return;
  const std::optional<SettingsChange> change = RunConnectionSettingsDialog(current, prompt_);
  if (!change) return;
  // Only the choices the user changed, on every server; its other pairs kept.
  bool changed = false;
  for (const std::uint64_t id : ids) {
    const int number = EntryNumberOfId(servers_, id);
    if (number == 0) continue;
    ServerEntry& entry = servers_[number - 1];
    ConnectionSettings settings = ParseSettingsField(entry.settings);
    change->ApplyTo(settings);
    std::string field = ComposeSettingsField(settings, entry.settings);
    if (field == entry.settings) continue;
    entry.settings = std::move(field);
    changed = true;
  }
  if (changed) Changed();
}

void ServerManager::DeleteSelected() {
  const std::vector<std::uint64_t> ids = view_->SelectedIds();
  if (ids.empty()) return;
  const std::wstring question =
      ids.size() == 1 ? std::wstring(kConfirmDelete) : ConfirmDeleteManyText(ids.size());
  if (prompt_.Show(question.c_str(), kConfirmDeleteCaption, MB_OKCANCEL) != IDOK) return;
  if (RemoveServers(servers_, ids) > 0) Changed();
}

void ServerManager::CopySelectedAddresses() {
  std::wstring text;
  for (const std::uint64_t id : view_->SelectedIds()) {
    const ServerEntry* entry = EntryByNumber(servers_, EntryNumberOfId(servers_, id));
    if (!entry) continue;
    if (!text.empty()) text += L"\r\n";
    text += WideFromGbk(HostWithPort(entry->host, entry->port));
  }
  if (!text.empty()) CopyTextToClipboard(hwnd(), text);
}

void ServerManager::MoveSelectedToGroup() {
  const std::vector<std::uint64_t> ids = view_->SelectedIds();
  if (ids.empty()) return;
  const std::optional<std::string> path =
      RunMoveToGroupDialog(GroupPaths(servers_, ChineseSortKey), prompt_);
  if (path && MoveToGroup(servers_, ids, *path) > 0) Changed();
}

void ServerManager::AddServer() {
  const GroupChoice chosen = tree_->Chosen();
  owner_.OpenServerDialog(0, chosen.kind == GroupChoice::Kind::Group ? chosen.path : std::string());
}

void ServerManager::Import() {
  owner_.ImportFiles(AskFilesToImport(hwnd()));
}

void ServerManager::Export() {
  std::vector<std::uint64_t> ids = view_->SelectedIds();
  if (ids.size() <= 1) ids = view_->ShownIds();
  owner_.ExportServers(hwnd(), ids);
}

void ServerManager::RenameGroupLater(const GroupChoice& group, const std::wstring& newName) {
  if (group.kind != GroupChoice::Kind::Group) return;
  const std::string name = GbkFromWide(newName);
  if (!IsStorableGroup(name)) {
    prompt_.Show(kUnstorableServerText, kInputErrorCaption, MB_OK | MB_ICONERROR);
    return;
  }
  const std::string parent = ParentPath(group.path);
  const std::string path =
      NormalizeGroupPath(parent.empty() ? name : parent + std::string(kGroupLevelSeparator) + name);
  if (path.empty() || path == group.path) return;
  // The tree must not be rebuilt while it is ending its edit.
  renameFrom_ = group.path;
  renameTo_ = path;
  PostMessageW(hwnd(), kManagerRenameMessage, 0, 0);
}

void ServerManager::DeleteGroup(HTREEITEM item) {
  const std::optional<GroupChoice> group = tree_->ChoiceOf(item);
  if (!group || group->kind != GroupChoice::Kind::Group) return;
  const std::wstring question = ConfirmDeleteGroupText(WideFromGbk(group->path),
                                                       static_cast<std::size_t>(tree_->CountOf(item)));
  if (prompt_.Show(question.c_str(), kDeleteGroupCaption, MB_OKCANCEL) != IDOK) return;
  // A group is only a name the servers share: they stay, in no group.
  if (UngroupGroup(servers_, group->path) > 0) Changed();
}

}  // namespace rdc
