// The servers the user connected to last, newest first, kept as keys that
// name a server across starts and other copies' changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/server_list.h"

namespace rdc {

inline constexpr std::size_t kRecentServersKept = 20;

// "host:port|account" (an IPv6 literal in brackets, as HostWithPort gives it).
std::string RecentKeyOf(const ServerEntry& entry);

// Puts `key` first, drops an earlier copy of it, and keeps at most
// kRecentServersKept keys.
void NoteConnected(std::vector<std::string>& recent, std::string key);

// The ids of the entries the keys name, newest first: for each key the first
// entry that has it; keys that name no entry (or an entry already given) are
// passed over.
std::vector<std::uint64_t> RecentIds(const ServerList& list, std::span<const std::string> recent);

}  // namespace rdc
