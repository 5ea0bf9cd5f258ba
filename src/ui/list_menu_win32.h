// The context menu of a server list: its items, and which one the user chose.
#pragma once

#include <windows.h>

namespace rdc {

// What an item of the menu runs; each runs what its button runs.
enum class ListCommand { None, Connect, Edit, Delete, CopyAddress, Add, Import, Manage };

// Shows the menu of the list view `list` for `owner` at `screen` (-1, -1:
// from the keyboard, at the selected row or else the list's corner) until the
// user chooses. A click on a row selects and focuses it first: the menu acts
// on the row it was opened on. The items that need a row are greyed on the
// list's empty area. None when the user chose nothing.
ListCommand TrackListMenu(HWND owner, HWND list, POINT screen);

}  // namespace rdc
