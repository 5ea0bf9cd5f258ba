// The server manager's instant search: the words of a query, and whether a
// server matches all of them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/server_list.h"

namespace rdc {

// The query's words, separated by ASCII spaces or the full-width space (GBK
// 0xA1 0xA1, a whole character); empty words dropped.
std::vector<std::string> SearchWords(std::string_view gbkQuery);

// Whether each word is found in the server's host, port, account, group or a
// line of its remark (never across a line break; never in its password).
// ASCII letters match either case; a double-byte character matches only a
// whole character, never half of one. No words: true.
bool MatchesSearch(const ServerEntry& entry, std::span<const std::string> words);

}  // namespace rdc
