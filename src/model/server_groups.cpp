// Group paths: their normal form, what ms.ini can store, which group holds which.
#include "model/server_groups.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <unordered_map>
#include <utility>

#include "text/gbk_text.h"

namespace rdc {
namespace {

std::string_view Trimmed(std::string_view level) {
  const std::size_t first = level.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return level.substr(first, level.find_last_not_of(" \t") - first + 1);
}

// A group of the tree while it is built: its path and name as views into the
// list's groups.
struct PendingNode {
  std::string_view path;
  std::string_view name;
  int count = 0;
  std::vector<std::size_t> children;  // indices into the pending nodes
};

class TreeBuilder {
 public:
  explicit TreeBuilder(const ServerList& list) {
    std::unordered_map<std::string_view, int> servers;  // per group
    for (const ServerEntry& entry : list)
      if (!entry.group.empty()) ++servers[entry.group];
    for (const auto& [group, count] : servers) Add(group, count);
  }

  std::vector<GroupNode> Tree(const TextKey& key) {
    SortChildren(roots_, key);
    return Built(roots_);
  }

 private:
  static constexpr std::size_t kTop = static_cast<std::size_t>(-1);

  // Counts the servers of `group` in it and in each group above it.
  void Add(std::string_view group, int count) {
    std::size_t parent = kTop;
    std::size_t levelBegin = 0;
    while (levelBegin <= group.size()) {
      const int separator = FindText(group, kGroupLevelSeparator, static_cast<int>(levelBegin) + 1);
      const std::size_t levelEnd =
          separator == -1 ? group.size() : static_cast<std::size_t>(separator) - 1;
      parent = NodeOf(group.substr(0, levelEnd), group.substr(levelBegin, levelEnd - levelBegin),
                      parent);
      nodes_[parent].count += count;
      levelBegin = levelEnd + kGroupLevelSeparator.size();
    }
  }

  std::size_t NodeOf(std::string_view path, std::string_view name, std::size_t parent) {
    const auto [found, added] = byPath_.try_emplace(path, nodes_.size());
    if (added) {
      nodes_.push_back(PendingNode{path, name});
      (parent == kTop ? roots_ : nodes_[parent].children).push_back(found->second);
    }
    return found->second;
  }

  void SortChildren(std::vector<std::size_t>& siblings, const TextKey& key) {
    std::vector<std::pair<std::string, std::size_t>> keyed;
    keyed.reserve(siblings.size());
    for (std::size_t index : siblings) keyed.emplace_back(key(nodes_[index].name), index);
    std::sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first < b.first;
      return nodes_[a.second].name < nodes_[b.second].name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) siblings[i] = keyed[i].second;
    for (std::size_t index : siblings) SortChildren(nodes_[index].children, key);
  }

  std::vector<GroupNode> Built(const std::vector<std::size_t>& siblings) const {
    std::vector<GroupNode> built;
    built.reserve(siblings.size());
    for (std::size_t index : siblings) {
      const PendingNode& node = nodes_[index];
      built.push_back(GroupNode{std::string(node.name), std::string(node.path), node.count,
                                Built(node.children)});
    }
    return built;
  }

  std::vector<PendingNode> nodes_;
  std::vector<std::size_t> roots_;
  std::unordered_map<std::string_view, std::size_t> byPath_;
};

void AppendPaths(const std::vector<GroupNode>& nodes, std::vector<std::string>& paths) {
  for (const GroupNode& node : nodes) {
    paths.push_back(node.path);
    AppendPaths(node.children, paths);
  }
}

}  // namespace

std::string NormalizeGroupPath(std::string_view path) {
  std::string normal;
  for (const std::string& level : SplitText(path, kGroupLevelSeparator)) {
    const std::string_view trimmed = Trimmed(level);
    if (trimmed.empty()) continue;
    if (!normal.empty()) normal += kGroupLevelSeparator;
    normal += trimmed;
  }
  return normal;
}

bool IsStorableGroup(std::string_view group) {
  if (HasControlByte(group) || FindText(group, "|") != -1) return false;
  constexpr std::array<std::string_view, 4> kMarkers = {
      "#onsole:", "#admin:", "#Start:", "#LoadinPass:<"};
  for (std::string_view marker : kMarkers)
    if (FindText(group, marker) != -1) return false;
  return true;
}

bool IsInGroup(std::string_view group, std::string_view path) {
  if (path.empty()) return true;
  if (!group.starts_with(path)) return false;
  return group.size() == path.size() || group.substr(path.size()).starts_with(kGroupLevelSeparator);
}

std::vector<GroupNode> BuildGroupTree(const ServerList& list, const TextKey& key) {
  return TreeBuilder(list).Tree(key);
}

int CountUngrouped(const ServerList& list) {
  return static_cast<int>(std::count_if(
      list.begin(), list.end(), [](const ServerEntry& entry) { return entry.group.empty(); }));
}

std::vector<std::string> GroupPaths(const ServerList& list, const TextKey& key) {
  std::vector<std::string> paths;
  AppendPaths(BuildGroupTree(list, key), paths);
  return paths;
}

int RenameGroup(ServerList& list, std::string_view from, std::string_view to) {
  const std::string oldPath = NormalizeGroupPath(from);
  const std::string newPath = NormalizeGroupPath(to);
  if (oldPath.empty()) return 0;
  int changed = 0;
  for (ServerEntry& entry : list) {
    if (!IsInGroup(entry.group, oldPath)) continue;
    std::string renamed = NormalizeGroupPath(newPath + entry.group.substr(oldPath.size()));
    if (renamed == entry.group) continue;
    entry.group = std::move(renamed);
    ++changed;
  }
  return changed;
}

int UngroupGroup(ServerList& list, std::string_view path) {
  const std::string normal = NormalizeGroupPath(path);
  if (normal.empty()) return 0;
  int changed = 0;
  for (ServerEntry& entry : list) {
    if (entry.group.empty() || !IsInGroup(entry.group, normal)) continue;
    entry.group.clear();
    ++changed;
  }
  return changed;
}

}  // namespace rdc
