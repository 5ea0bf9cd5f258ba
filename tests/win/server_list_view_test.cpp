// A server list view of several selected rows (the main window's allows one):
// after a change of the list, the selected rows and the focus are those of
// the same servers, and no other row keeps a selection.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/server_list.h"
#include "ui/server_list_view_win32.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

std::wstring NoText(const ServerEntry&) {
  return L"";
}
constexpr ListColumn kColumn[] = {{L"主机", 100, LVCFMT_LEFT, NoText}};

ServerEntry WithId(std::uint64_t id) {
  ServerEntry entry;
  entry.id = id;
  return entry;
}

TEST(ServerListView, SeveralSelectedRowsAndTheFocusFollowTheirServers) {
  struct Case {
    const char* what;
    std::vector<std::uint64_t> after;  // the ids of the servers after the change
    bool keepSelection;
    std::vector<std::uint64_t> selected;
    std::uint64_t focused;
  };
  // Before each change, 1..5 in order; 2 and 4 selected, 4 focused.
  const Case cases[] = {
      {"reversed", {5, 4, 3, 2, 1}, true, {4, 2}, 4},
      {"the focused server deleted", {1, 2, 3, 5}, true, {2}, 0},
      {"the list shortened past both", {1}, true, {}, 0},
      {"the list grown", {1, 2, 3, 4, 5, 6, 7}, true, {2, 4}, 4},
      {"the selection not kept", {5, 4, 3, 2, 1}, false, {}, 0},
  };
  test::InitCommonControlsOnce();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_SHOWSELALWAYS, 0,
                                0, 200, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    ServerList servers;
    for (std::uint64_t id = 1; id <= 5; ++id) servers.push_back(WithId(id));
    ServerListView view(list, kColumn, servers, 96);
    view.Show();
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_EQ(view.SelectedIds(), (std::vector<std::uint64_t>{2, 4}));

    servers.clear();
    for (const std::uint64_t id : c.after) servers.push_back(WithId(id));
    view.ShowChanged(c.after, c.keepSelection);
    EXPECT_EQ(ListView_GetItemCount(list), static_cast<int>(c.after.size()));
    EXPECT_EQ(view.SelectedIds(), c.selected);
    EXPECT_EQ(view.FocusedId(), c.focused);
    // Server 1 is in every list after the change, at a row of its own.
    view.Select(1);
    EXPECT_EQ(view.FocusedId(), 1u);
    const std::vector<std::uint64_t> selected = view.SelectedIds();
    EXPECT_NE(std::find(selected.begin(), selected.end(), 1u), selected.end());
    DestroyWindow(list);
  }
}

}  // namespace
}  // namespace rdc
