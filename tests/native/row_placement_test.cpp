// Where the selection, the focus and the top row of a list of servers go when
// the list changes under them (a merge with another copy's save, a delete).
#include "model/row_placement.h"

#include <gtest/gtest.h>

#include <vector>

namespace rdc {
namespace {

TEST(RowPlacementTest, SelectionFocusAndTopStayOnTheirServers) {
  struct Case {
    const char* what;
    std::vector<std::uint64_t> rows;  // the server each row carries on after the change
    RowsShown before;
    std::vector<int> selected;
    int focused, top;
  };
  // clang-format off
  const Case cases[] = {
      {"nothing changed", {11, 12, 13}, {{12}, 12, 11, 0}, {1}, 1, 0},
      {"a server inserted above moves all down", {20, 11, 12, 13}, {{12}, 12, 12, 1}, {2}, 2, 2},
      {"the top server moved down the list", {12, 13, 14, 11}, {{}, 0, 11, 0}, {}, -1, 3},
      {"the selected server deleted: nothing selected",
       {11, 13}, {{12}, 12, 11, 0}, {}, -1, 0},
      {"the top server deleted: the top row stays", {11, 12, 14, 15}, {{}, 0, 13, 2}, {}, -1, 2},
      {"the top server deleted at the end: the last row", {11, 12}, {{}, 0, 14, 3}, {}, -1, 1},
      {"the list emptied", {}, {{12}, 12, 11, 0}, {}, -1, -1},
      {"a list that was empty", {0, 0}, {{}, 0, 0, 0}, {}, -1, 0},
      {"new servers carry on none", {0, 11, 0}, {{0}, 0, 11, 0}, {}, -1, 1},
      {"several selected, in row order, one gone",
       {15, 13, 11, 14}, {{11, 12, 15}, 15, 13, 1}, {0, 2}, 0, 1},
      {"the focus off the selection", {11, 12, 13}, {{11}, 13, 12, 1}, {0}, 2, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RowPlacement placement = PlaceRows(c.rows, c.before);
    EXPECT_EQ(placement.selected, c.selected);
    EXPECT_EQ(placement.focused, c.focused);
    EXPECT_EQ(placement.top, c.top);
  }
}

}  // namespace
}  // namespace rdc
