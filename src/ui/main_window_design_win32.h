// The design of the main window, also read by the tests.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "ui/form_win32.h"
#include "ui/server_list_view_win32.h"

namespace rdc {

std::span<const ControlSpec> MainWindowControls();
const std::vector<int>& MainWindowFocusOrder();
FormFrame MainWindowFrame();
std::wstring MainWindowTitle();
// The columns of the server list.
std::span<const ListColumn> MainWindowColumns();

}  // namespace rdc
