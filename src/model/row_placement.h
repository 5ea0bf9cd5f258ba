// Where a list of servers puts its selection, its focus and its top row once
// the list has changed: each stays on its server, found by id, wherever the
// change has moved it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace rdc {

// What a list shows of its rows before a change, by the ids of their servers.
struct RowsShown {
  std::vector<std::uint64_t> selected;  // ids of the selected rows, in row order
  std::uint64_t focused = 0;            // 0: no row has the focus
  std::uint64_t top = 0;                // 0: the list was empty
  int topRow = 0;                       // the top row's position, for a top server gone
};

// Which rows show them after it.
struct RowPlacement {
  std::vector<int> selected;  // rows, in row order
  int focused = -1;           // -1: none
  int top = -1;               // -1: the list is empty
};

// `rows` holds, for each row after the change, the id of the server it
// carries on (0: a server new to the list), as a merge's carriesOn does. A
// selected or focused server no longer in the list is no longer selected or
// focused; a top server gone leaves the top row where it was, within the list.
RowPlacement PlaceRows(std::span<const std::uint64_t> rows, const RowsShown& before);

}  // namespace rdc
