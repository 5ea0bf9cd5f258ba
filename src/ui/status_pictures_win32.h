// How a list shows a server's status: the state pictures of its rows and
// the text of its status column.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include "model/server_list.h"

namespace rdc {

// What a status column shows: "在线", "离线" or "..." while not probed yet.
const wchar_t* StatusText(ServerStatus status);

// The three state pictures at `dpi` (online, offline, pending), for a list
// view's state image list; the caller owns the list.
HIMAGELIST LoadStatePictures(int dpi);

// A row's state-image bits for `status`.
UINT StateImageOf(ServerStatus status);

}  // namespace rdc
