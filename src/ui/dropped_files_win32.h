// Files dropped on a window from the shell.
#pragma once

#include <windows.h>
// <shellapi.h> builds on <windows.h>.
#include <shellapi.h>

#include <string>
#include <vector>

namespace rdc {

// The paths of the files in `drop`, which is then finished (freed).
std::vector<std::wstring> TakeDroppedFiles(HDROP drop);

}  // namespace rdc
