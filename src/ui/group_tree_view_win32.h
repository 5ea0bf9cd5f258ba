// The tree of server groups beside the manager's list: "全部服务器 (N)" at its
// root with the groups nested below it, then "未分组 (n)" and "最近连接".
// Each node's text carries how many servers are in it and below it. Across a
// rebuild the expanded nodes stay expanded and the chosen node stays chosen
// where they still exist.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model/server_groups.h"

namespace rdc {

// What a node of the tree stands for.
struct GroupChoice {
  enum class Kind { All, Group, Ungrouped, Recent };
  Kind kind = Kind::All;
  std::string path;  // GBK, Kind::Group only
  bool operator==(const GroupChoice&) const = default;
};

class GroupTreeView {
 public:
  explicit GroupTreeView(HWND tree) : tree_(tree) {}

  HWND hwnd() const { return tree_; }

  // Shows the groups (nothing is done when they and the counts are as shown).
  void Show(const std::vector<GroupNode>& groups, int total, int ungrouped);

  // The chosen node's meaning (the root when none is chosen).
  GroupChoice Chosen() const;
  // The meaning of `item`; nullopt when it is none of ours.
  std::optional<GroupChoice> ChoiceOf(HTREEITEM item) const;
  // The node under the client point `point`, or nullptr.
  HTREEITEM ItemAt(POINT client) const;
  // The servers a group node holds (its count); 0 for any other node.
  int CountOf(HTREEITEM item) const;
  // A group node's own name (its last level), for an edit in place.
  std::wstring NameOf(HTREEITEM item) const;

 private:
  struct Node {
    GroupChoice choice;
    int count = 0;
  };
  void AddNodes(HTREEITEM parent, const std::vector<GroupNode>& groups);
  HTREEITEM AddNode(HTREEITEM parent, GroupChoice choice, const std::wstring& name, int count);
  const Node* NodeOf(HTREEITEM item) const;

  HWND tree_;
  std::vector<Node> nodes_;  // item data: an index here
  std::vector<std::pair<std::string, int>> shownGroups_;  // the paths and counts shown, in order
  int shownTotal_ = -1;
  int shownUngrouped_ = -1;
  // Group paths whose nodes are expanded (collected at each rebuild).
  std::set<std::string> expanded_;
  std::vector<HTREEITEM> groupItems_;
};

}  // namespace rdc
