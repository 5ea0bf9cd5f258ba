// The open-file dialog of 导入: the lists of other programs to import.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rdc {

// Asks for one or more files of the kinds the import reads; none when the
// user cancelled.
std::vector<std::wstring> AskFilesToImport(HWND owner);

// The paths in what the dialog hands back: one file's whole path, or the
// folder and then each name; each part ends in a NUL, and an empty one ends them.
std::vector<std::wstring> PathsOfOpenDialogAnswer(const wchar_t* answer);

}  // namespace rdc
