// The groups servers belong to: a path of levels joined by "/" ("生产/数据库"),
// held in each server's record.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/server_list.h"

namespace rdc {

inline constexpr std::string_view kGroupLevelSeparator = "/";

// The path with each level trimmed of spaces and tabs and the empty levels
// dropped: " 生产 / /数据库 " is "生产/数据库"; "" and "/" are no group.
std::string NormalizeGroupPath(std::string_view path);

// Whether ms.ini can store the group so that the next start reads it back:
// no "|", no control byte, none of the option markers ("#onsole:",
// "#admin:", "#Start:", "#LoadinPass:<").
bool IsStorableGroup(std::string_view group);

// Whether a server of `group` is in the group `path` or below it: "生产"
// holds "生产" and "生产/数据库", not "生产线". Every group is in "" (all).
bool IsInGroup(std::string_view group, std::string_view path);

// A text's sort key: the display order of texts is the byte order
// (std::string comparison) of their keys. On Windows the system's sort key of
// the user's language; texts of equal keys are then ordered by their bytes.
using TextKey = std::function<std::string(std::string_view gbkText)>;

// One group of the tree: its level's name, its whole path, the servers in it
// and below it, and its subgroups.
struct GroupNode {
  std::string name;
  std::string path;
  int count = 0;
  std::vector<GroupNode> children;
};

// The top-level groups of the list's servers, each with its subgroups nested
// (a group "a/b" makes the node "a" even when no server is in "a" itself);
// siblings in the order of their names' keys. Linear in the servers, plus the
// sort of each node's children.
std::vector<GroupNode> BuildGroupTree(const ServerList& list, const TextKey& key);

// The number of servers in no group.
int CountUngrouped(const ServerList& list);

// Every path that is a group or holds one, each parent directly before its
// children, siblings in the tree's order: the choices of a group box.
std::vector<std::string> GroupPaths(const ServerList& list, const TextKey& key);

// Puts `to` in the place of `from` in the group of every server in `from` or
// below it (both normalised): "生产" to "归档" makes "生产/数据库" "归档/数据库"
// and leaves "生产线"; onto an existing group, the two become one; `to` ""
// lifts the subgroups to the top. The caller checks IsStorableGroup(to).
// Returns how many servers changed; none when `from` is no group ("").
int RenameGroup(ServerList& list, std::string_view from, std::string_view to);

// Takes every server in the group `path` or below it out of its group;
// returns how many. None for "" (which is no group, not all of them).
int UngroupGroup(ServerList& list, std::string_view path);

}  // namespace rdc
