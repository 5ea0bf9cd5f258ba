// Bulk edits, moves and deletes over the servers of a set of ids.
#include "model/server_edits.h"

#include <algorithm>
#include <unordered_set>

#include "model/config_file.h"
#include "model/server_groups.h"

namespace rdc {
namespace {

std::unordered_set<std::uint64_t> IdSet(std::span<const std::uint64_t> ids) {
  return {ids.begin(), ids.end()};
}

// Sets `field` to `value` when the edit has one; true when it changed.
bool Set(std::string& field, const std::optional<std::string>& value) {
  if (!value || field == *value) return false;
  field = *value;
  return true;
}

}  // namespace

bool IsStorable(const BulkEdit& edit) {
  const ServerTexts texts{"", edit.port.value_or(""), edit.account.value_or(""),
                          edit.password.value_or(""), ""};
  return IsStorable(texts) && IsStorableGroup(edit.group.value_or(""));
}

int ApplyBulkEdit(ServerList& list, std::span<const std::uint64_t> ids, const BulkEdit& edit) {
  const std::unordered_set<std::uint64_t> chosen = IdSet(ids);
  std::optional<std::string> group;
  if (edit.group) group = NormalizeGroupPath(*edit.group);
  int changed = 0;
  for (ServerEntry& entry : list) {
    if (!chosen.contains(entry.id)) continue;
    bool entryChanged = false;
    if (Set(entry.port, edit.port)) {
      // The status told of the old port.
      entry.status = ServerStatus::Pending;
      entry.latencyMs = -1;
      entryChanged = true;
    }
    entryChanged |= Set(entry.account, edit.account);
    entryChanged |= Set(entry.password, edit.password);
    entryChanged |= Set(entry.group, group);
    if (entryChanged) ++changed;
  }
  return changed;
}

int MoveToGroup(ServerList& list, std::span<const std::uint64_t> ids, std::string_view path) {
  return ApplyBulkEdit(list, ids, BulkEdit{.group = std::string(path)});
}

int RemoveServers(ServerList& list, std::span<const std::uint64_t> ids) {
  const std::unordered_set<std::uint64_t> chosen = IdSet(ids);
  const std::size_t before = list.size();
  std::erase_if(list, [&chosen](const ServerEntry& entry) { return chosen.contains(entry.id); });
  return static_cast<int>(before - list.size());
}

}  // namespace rdc
