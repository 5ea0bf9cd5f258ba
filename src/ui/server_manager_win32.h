// The server manager: a window of its own beside the main window, for lists
// too long for the main window's eight rows. A search box over a tree of the
// groups and a list of the servers in the chosen group that match the search,
// sortable by any column, with many rows selectable and the operations on all
// of them at once. It shows the main window's list (one list, two windows):
// every change it makes goes through the main window's save, and every change
// the main window shows, it shows too.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/server_list.h"
#include "ui/form_win32.h"
#include "ui/group_tree_view_win32.h"
#include "ui/prompt_win32.h"
#include "ui/server_table_view_win32.h"
#include "ui/user_settings_win32.h"

namespace rdc {

// What the manager asks of the window that holds the list.
class ServerListOwner {
 public:
  virtual ~ServerListOwner() = default;
  // The manager has changed the list: it is saved, and both windows show it.
  virtual void SaveListChange() = 0;
  // The server dialog for entry `editedId`, or (0) for a new server of the group `groupOfNew`.
  virtual void OpenServerDialog(std::uint64_t editedId, const std::string& groupOfNew) = 0;
  virtual void ConnectServer(std::uint64_t id) = 0;
  virtual void ImportFiles(const std::vector<std::wstring>& paths) = 0;
  // Exports the servers `ids` (in this order) over the window `from`.
  virtual void ExportServers(HWND from, const std::vector<std::uint64_t>& ids) = 0;
};

std::span<const ControlSpec> ServerManagerControls();
FormFrame ServerManagerFrame(HWND owner);
// The columns of the manager's list, in the order of ServerColumn.
std::span<const ListColumn> ServerManagerColumns();

class ServerManager : public FormWindow {
 public:
  // `servers` is the main window's list, which outlives the manager.
  ServerManager(ServerList& servers, ServerListOwner& owner, MessagePrompt& prompt,
                UserSettings& settings);

  // Opens the window, owned by `ownerWindow`, or brings it to the front.
  void Open(HWND ownerWindow);

  // The list has changed (by either window, or another copy's save):
  // `carriesOn` holds, for each entry now, the id of the entry shown before
  // that it carries on (0: none).
  void ShowChanged(std::span<const std::uint64_t> carriesOn);
  // Servers' status changed.
  void ShowStatusChanged();
  // The servers last connected to changed.
  void ShowRecentChanged();

  // The shown servers, in row order, and the selected ones.
  const std::vector<std::uint64_t>& ShownIds() const;
  std::vector<std::uint64_t> SelectedIds() const;
  bool TranslateKey(const MSG& msg) override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCreated() override;
  void OnCommand(int id, int notification) override;
  LRESULT OnNotify(NMHDR* header) override;
  void OnDpiChanged() override;

 private:
  enum class Capture { None, Splitter, Drag };

  void FitIntoWorkArea();
  void Layout();
  RECT SplitterRect() const;
  // The rows for the chosen node, the search and the sort, with the servers
  // of `selected` selected.
  void ShowRows(std::span<const std::uint64_t> selected, std::uint64_t focused, std::uint64_t top);
  void ShowRowsAgain();
  void ShowTree();
  void ShowStatusBar();
  void OnSearchChanged();
  void OnHeaderClick(int column);
  void ShowListMenu(POINT screen);

  void ConnectSelected();
  void EditSelected();
  void EditConnectionSettings();
  void DeleteSelected();
  void CopySelectedAddresses();
  void MoveSelectedToGroup();
  void AddServer();
  void Import();
  // The selected servers, or every row shown when one row or none is selected.
  void Export();
  void RenameGroupLater(const GroupChoice& group, const std::wstring& newName);
  void DeleteGroup(HTREEITEM item);
  // The list changed here: saved, and shown by both windows.
  void Changed();

  void OnDragMove(POINT client);
  void EndDrag(POINT client);

  ServerList& servers_;
  ServerListOwner& owner_;
  MessagePrompt& prompt_;
  UserSettings& settings_;
  std::unique_ptr<ServerTableView> view_;
  std::unique_ptr<GroupTreeView> tree_;
  std::vector<std::string> searchWords_;
  int sortColumn_ = -1;  // -1: the list's own order
  bool sortDescending_ = false;
  int splitDesign_;      // the tree's width at 96 DPI
  Capture capture_ = Capture::None;
  bool showing_ = false;       // the rows are being shown: their notifications are ours
  bool updatingTree_ = false;  // the tree is being rebuilt: its selection changes are ours
  // A rename typed in the tree, made once the tree's edit has ended.
  std::string renameFrom_, renameTo_;
};

}  // namespace rdc
