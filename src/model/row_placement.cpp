#include "model/row_placement.h"

#include <algorithm>
#include <unordered_map>

namespace rdc {

RowPlacement PlaceRows(std::span<const std::uint64_t> rows, const RowsShown& before) {
  RowPlacement placement;
  if (rows.empty()) return placement;
  // The first row that carries a server on: a merge never gives one id twice.
  std::unordered_map<std::uint64_t, int> rowOf;
  rowOf.reserve(rows.size());
  for (int row = 0; row < static_cast<int>(rows.size()); ++row)
    if (rows[row] != 0) rowOf.emplace(rows[row], row);
  const auto find = [&rowOf](std::uint64_t id) {
    const auto found = id != 0 ? rowOf.find(id) : rowOf.end();
    return found != rowOf.end() ? found->second : -1;
  };
  for (const std::uint64_t id : before.selected) {
    const int row = find(id);
    if (row >= 0) placement.selected.push_back(row);
  }
  std::sort(placement.selected.begin(), placement.selected.end());
  placement.focused = find(before.focused);
  placement.top = find(before.top);
  if (placement.top < 0)
    placement.top = std::clamp(before.topRow, 0, static_cast<int>(rows.size()) - 1);
  return placement;
}

}  // namespace rdc
