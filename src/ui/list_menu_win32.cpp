#include "ui/list_menu_win32.h"

// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <array>

#include "os/owners_win32.h"

namespace rdc {
namespace {

struct ListMenuItem {
  ListCommand command;  // None: a separator
  const wchar_t* caption;
  bool needsRow;  // greyed on the list's empty area
};
constexpr std::array<ListMenuItem, 9> kListMenu{{
    {ListCommand::Connect, L"连接(&C)", true},
    {ListCommand::Edit, L"修改(&E)...", true},
    {ListCommand::Delete, L"删除(&D)", true},
    {ListCommand::None, nullptr, false},
    {ListCommand::CopyAddress, L"复制地址(&A)", true},
    {ListCommand::None, nullptr, false},
    {ListCommand::Add, L"添加(&N)...", false},
    {ListCommand::Import, L"导入(&I)...", false},
    {ListCommand::Manage, L"管理(&M)...", false},
}};

}  // namespace

ListCommand TrackListMenu(HWND owner, HWND list, POINT screen) {
  int row = -1;
  if (screen.x == -1 && screen.y == -1) {
    // From the keyboard: at the selected row, or the list's corner.
    row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    RECT place{LVIR_BOUNDS, 0, 0, 0};
    if (row < 0 || !ListView_GetItemRect(list, row, &place, LVIR_BOUNDS)) place = {};
    screen = {place.left, place.bottom};
    ClientToScreen(list, &screen);
  } else {
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(list, &hit.pt);
    row = ListView_HitTest(list, &hit);
    if (row >= 0) {
      // The menu acts on the row it was opened on.
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
  const UniqueMenu menu(CreatePopupMenu());
  if (!menu) return ListCommand::None;
  for (const ListMenuItem& item : kListMenu) {
    if (item.command == ListCommand::None) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT state = item.needsRow && row < 0 ? MF_GRAYED : MF_ENABLED;
    AppendMenuW(menu.get(), MF_STRING | state, static_cast<UINT_PTR>(item.command), item.caption);
  }
  return static_cast<ListCommand>(TrackPopupMenu(menu.get(),
                                                 TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                 screen.x, screen.y, 0, owner, nullptr));
}

}  // namespace rdc
