// Looking up the servers the user keeps by their 1-based entry number.
#include "servers/server_list.h"

#include <cstddef>

namespace rdc {

const ServerEntry* EntryByNumber(const ServerList& list, int number) {
  if (number <= 0 || static_cast<std::size_t>(number) > list.size()) return nullptr;
  return &list[static_cast<std::size_t>(number) - 1];
}

}  // namespace rdc
