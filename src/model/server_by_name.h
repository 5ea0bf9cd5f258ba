// Finding a stored server by the name a user gives on the command line.
#pragma once

#include <string_view>

#include "model/server_list.h"

namespace rdc {

// The entry number (1-based) of the first entry whose host equals `name`, or
// whose remark's first line does (ASCII letter case ignored in both), or, for
// a name "host:port" ("[v6]:port" for an IPv6 literal), whose host and port
// match; 0 when none does. GBK text: only whole characters are compared.
int EntryNumberByName(const ServerList& list, std::string_view name);

}  // namespace rdc
