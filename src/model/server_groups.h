// The groups servers belong to: a path of levels joined by "/" ("生产/数据库"),
// held in each server's record.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace rdc
