// The server manager's column sorts: the order of rows by one column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/server_groups.h"
#include "model/server_list.h"

namespace rdc {

enum class ServerColumn { Host, Port, Account, Status, Latency, Group, Remark };

// Sorts `rows` (indices into `list`, each below its size) by the column:
//  - Host: dotted IPv4 addresses by their numbers, before names, which go by
//    their keys;
//  - Port and Latency as numbers; a port that is not a number after the
//    numbers, by its text; no latency (-1) after every number;
//  - Status: 在线, then 离线, then not yet probed;
//  - Account, Group and Remark (its first line) by their texts' keys.
// Texts of equal keys go by their bytes. Descending reverses that order;
// rows that tie keep their list order either way. Each row's key is taken
// once per sort.
void SortRows(std::vector<std::size_t>& rows, const ServerList& list, ServerColumn column,
              bool descending, const TextKey& key);

}  // namespace rdc
