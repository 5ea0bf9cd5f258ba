// Changes to many servers at once, each known by its id: a bulk edit of some
// of their texts, a move to a group, a delete.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "model/server_list.h"

namespace rdc {

// The fields a bulk edit sets; the others stay as each server has them.
struct BulkEdit {
  std::optional<std::string> port, account, password, group;
};

// Whether ms.ini can store every field the edit sets (the rules of IsStorable
// and IsStorableGroup).
bool IsStorable(const BulkEdit& edit);

// Sets the edit's fields on the entries of `ids` (those still in the list); a
// group is set in its normal form. A server whose port changes is pending
// again. Returns how many entries changed.
int ApplyBulkEdit(ServerList& list, std::span<const std::uint64_t> ids, const BulkEdit& edit);

// Moves the entries of `ids` to the group `path` (normalised; "" is none).
int MoveToGroup(ServerList& list, std::span<const std::uint64_t> ids, std::string_view path);

// Removes the entries of `ids`; returns how many were removed.
int RemoveServers(ServerList& list, std::span<const std::uint64_t> ids);

}  // namespace rdc
