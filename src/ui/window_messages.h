// Every private message of the program's windows, numbered in one place.
#pragma once

#include <windows.h>

namespace rdc {

// To the main window: status outcomes of a sweep are waiting for it.
inline constexpr UINT kProbeOutcomeMessage = WM_APP + 8;
// To the main window, from its own creation: the first status sweep may start.
inline constexpr UINT kFirstSweepMessage = WM_APP + 9;

// To the main window, from itself: a hand-over it took is waiting to be done.
inline constexpr UINT kHandOverMessage = WM_APP + 10;

// To the main window, from its import thread: a master password is wanted.
inline constexpr UINT kImportQuestionMessage = WM_APP + 11;
// To the main window, from its import thread: the import's outcome is ready.
inline constexpr UINT kImportDoneMessage = WM_APP + 12;

// To the main window, from the watch of its folder (and from itself): ms.ini
// may have been changed by another copy of the program.
inline constexpr UINT kConfigChangedMessage = WM_APP + 13;
// The server manager renames the group whose name was edited in its tree,
// once the tree's edit has ended.
inline constexpr UINT kManagerRenameMessage = WM_APP + 14;

// What a second start hands to the copy already running from its folder, as
// the dwData of a WM_COPYDATA to its main window.
inline constexpr ULONG_PTR kHandOverConnect = 0x52444331;  // one server name to connect to
inline constexpr ULONG_PTR kHandOverFiles = 0x52444332;    // paths of files to import

}  // namespace rdc
