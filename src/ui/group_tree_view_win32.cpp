#include "ui/group_tree_view_win32.h"

#include <utility>

#include "text/text_win32.h"
#include "ui/messages.h"

namespace rdc {
namespace {

std::wstring WithCount(const std::wstring& name, int count) {
  return name + L" (" + std::to_wstring(count) + L")";
}

// The groups in tree order, with their counts: what a rebuild would show.
void Flatten(const std::vector<GroupNode>& groups, std::vector<std::pair<std::string, int>>& out) {
  for (const GroupNode& node : groups) {
    out.emplace_back(node.path, node.count);
    Flatten(node.children, out);
  }
}

}  // namespace

const GroupTreeView::Node* GroupTreeView::NodeOf(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMW data{};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  if (!TreeView_GetItem(tree_, &data)) return nullptr;
  const auto index = static_cast<std::size_t>(data.lParam);
  return index < nodes_.size() ? &nodes_[index] : nullptr;
}

std::optional<GroupChoice> GroupTreeView::ChoiceOf(HTREEITEM item) const {
  const Node* node = NodeOf(item);
  if (!node) return std::nullopt;
  return node->choice;
}

GroupChoice GroupTreeView::Chosen() const {
  return ChoiceOf(TreeView_GetSelection(tree_)).value_or(GroupChoice{});
}

int GroupTreeView::CountOf(HTREEITEM item) const {
  const Node* node = NodeOf(item);
  return node && node->choice.kind == GroupChoice::Kind::Group ? node->count : 0;
}

std::wstring GroupTreeView::NameOf(HTREEITEM item) const {
  const Node* node = NodeOf(item);
  if (!node) return {};
  const std::wstring path = WideFromGbk(node->choice.path);
  const std::size_t slash = path.rfind(L'/');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

HTREEITEM GroupTreeView::ItemAt(POINT client) const {
  TVHITTESTINFO hit{};
  hit.pt = client;
  HTREEITEM item = TreeView_HitTest(tree_, &hit);
  return (hit.flags & TVHT_ONITEM) ? item : nullptr;
}

HTREEITEM GroupTreeView::AddNode(HTREEITEM parent, GroupChoice choice, const std::wstring& name,
                                 int count) {
  nodes_.push_back({std::move(choice), count});
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  const std::wstring text = WithCount(name, count);
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  insert.item.lParam = static_cast<LPARAM>(nodes_.size() - 1);
  return TreeView_InsertItem(tree_, &insert);
}

void GroupTreeView::AddNodes(HTREEITEM parent, const std::vector<GroupNode>& groups) {
  for (const GroupNode& group : groups) {
    HTREEITEM item = AddNode(parent, {GroupChoice::Kind::Group, group.path},
                             WideFromGbk(group.name), group.count);
    groupItems_.push_back(item);
    AddNodes(item, group.children);
    if (expanded_.contains(group.path)) TreeView_Expand(tree_, item, TVE_EXPAND);
  }
}

void GroupTreeView::Show(const std::vector<GroupNode>& groups, int total, int ungrouped) {
  std::vector<std::pair<std::string, int>> shown;
  Flatten(groups, shown);
  if (shown == shownGroups_ && total == shownTotal_ && ungrouped == shownUngrouped_) return;

  const GroupChoice chosen = Chosen();
  for (HTREEITEM item : groupItems_) {
    if (TreeView_GetItemState(tree_, item, TVIS_EXPANDED) & TVIS_EXPANDED) {
      if (const Node* node = NodeOf(item)) expanded_.insert(node->choice.path);
    } else if (const Node* node = NodeOf(item)) {
      expanded_.erase(node->choice.path);
    }
  }
  SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
  TreeView_DeleteAllItems(tree_);
  nodes_.clear();
  groupItems_.clear();
  HTREEITEM root = AddNode(TVI_ROOT, {GroupChoice::Kind::All, {}}, kAllServersNode, total);
  AddNodes(root, groups);
  TreeView_Expand(tree_, root, TVE_EXPAND);
  HTREEITEM choose = root;
  if (ungrouped > 0) {
    HTREEITEM item = AddNode(TVI_ROOT, {GroupChoice::Kind::Ungrouped, {}}, kUngroupedNode, ungrouped);
    if (chosen.kind == GroupChoice::Kind::Ungrouped) choose = item;
  }
  nodes_.push_back({{GroupChoice::Kind::Recent, {}}, 0});
  TVINSERTSTRUCTW recent{};
  recent.hParent = TVI_ROOT;
  recent.hInsertAfter = TVI_LAST;
  recent.item.mask = TVIF_TEXT | TVIF_PARAM;
  recent.item.pszText = const_cast<wchar_t*>(kRecentNode);
  recent.item.lParam = static_cast<LPARAM>(nodes_.size() - 1);
  HTREEITEM recentItem = TreeView_InsertItem(tree_, &recent);
  if (chosen.kind == GroupChoice::Kind::Recent) choose = recentItem;
  if (chosen.kind == GroupChoice::Kind::Group) {
    for (HTREEITEM item : groupItems_) {
      const Node* node = NodeOf(item);
      if (node && node->choice == chosen) choose = item;
    }
  }
  TreeView_SelectItem(tree_, choose);
  TreeView_EnsureVisible(tree_, choose);
  SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_, nullptr, TRUE);
  shownGroups_ = std::move(shown);
  shownTotal_ = total;
  shownUngrouped_ = ungrouped;
}

}  // namespace rdc
