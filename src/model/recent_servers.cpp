// The recently connected servers: their keys and the entries they name.
#include "model/recent_servers.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "model/server_address.h"

namespace rdc {

std::string RecentKeyOf(const ServerEntry& entry) {
  return HostWithPort(entry.host, entry.port) + "|" + entry.account;
}

void NoteConnected(std::vector<std::string>& recent, std::string key) {
  std::erase(recent, key);
  recent.insert(recent.begin(), std::move(key));
  if (recent.size() > kRecentServersKept) recent.resize(kRecentServersKept);
}

std::vector<std::uint64_t> RecentIds(const ServerList& list, std::span<const std::string> recent) {
  std::unordered_map<std::string_view, std::uint64_t> firstEntry;  // per key asked for
  for (const std::string& key : recent) firstEntry.try_emplace(key, 0);
  for (const ServerEntry& entry : list) {
    const auto found = firstEntry.find(RecentKeyOf(entry));
    if (found != firstEntry.end() && found->second == 0) found->second = entry.id;
  }
  std::vector<std::uint64_t> ids;
  std::unordered_set<std::uint64_t> given;
  for (const std::string& key : recent) {
    const std::uint64_t id = firstEntry[key];
    if (id != 0 && given.insert(id).second) ids.push_back(id);
  }
  return ids;
}

}  // namespace rdc
