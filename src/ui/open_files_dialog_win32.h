// The open-file dialog of 导入: the lists of other programs to import.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "export/export_files.h"

namespace rdc {

// Asks for one or more files of the kinds the import reads; none when the
// user cancelled.
std::vector<std::wstring> AskFilesToImport(HWND owner);

// Where an export goes: the path the save dialog gave and the type chosen in it.
struct ExportTarget {
  std::wstring path;
  ExportFormat format = ExportFormat::GroupFile;
};

// Asks where to export, with the three types of files; none when the user
// cancelled.
std::optional<ExportTarget> AskExportTarget(HWND owner);

// The paths in what the dialog hands back: one file's whole path, or the
// folder and then each name; each part ends in a NUL, and an empty one ends them.
std::vector<std::wstring> PathsOfOpenDialogAnswer(const wchar_t* answer);

}  // namespace rdc
