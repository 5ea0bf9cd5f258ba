// Every private message of the program's windows, numbered in one place.
#pragma once

#include <windows.h>

namespace rdc {

// To the main window: status outcomes of a sweep are waiting for it.
inline constexpr UINT kProbeOutcomeMessage = WM_APP + 8;
// To the main window, from its own creation: the first status sweep may start.
inline constexpr UINT kFirstSweepMessage = WM_APP + 9;

}  // namespace rdc
