#include "ui/open_files_dialog_win32.h"

#include <commdlg.h>

#include <cwchar>

#include "import/import_text.h"

namespace rdc {
namespace {

// The dialog's filter, then how much it may hand back.
constexpr wchar_t kImportFilter[] = L"服务器列表 (*.rdp;*.rdg;*.xml)\0*.rdp;*.rdg;*.xml\0";
constexpr DWORD kImportDialogChars = 64 * 1024;
// In the order of ExportFormat.
constexpr wchar_t kExportFilter[] =
    L"RDCMan 组文件 (*.rdg)\0*.rdg\0连接文件 (*.rdp)\0*.rdp\0CSV (*.csv)\0*.csv\0";
constexpr wchar_t kExportFirstName[] = L"服务器列表";

}  // namespace

std::vector<std::wstring> AskFilesToImport(HWND owner) {
  std::wstring chosen(kImportDialogChars, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kImportFilter;
  dialog.lpstrFile = chosen.data();
  dialog.nMaxFile = kImportDialogChars;
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return {};
  return PathsOfOpenDialogAnswer(chosen.c_str());
}

std::optional<ExportTarget> AskExportTarget(HWND owner) {
  std::wstring chosen(MAX_PATH * 4, L'\0');
  chosen.replace(0, std::wcslen(kExportFirstName), kExportFirstName);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kExportFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = chosen.data();
  dialog.nMaxFile = static_cast<DWORD>(chosen.size());
  // Any default extension: the dialog then adds the chosen type's.
  dialog.lpstrDefExt = L"rdg";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  // The type of the extension typed, else the type chosen.
  ExportTarget target{chosen.c_str()};
  constexpr ExportFormat kFormats[] = {ExportFormat::GroupFile, ExportFormat::ConnectionFiles,
                                       ExportFormat::Csv};
  if (dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= 3)
    target.format = kFormats[dialog.nFilterIndex - 1];
  const std::size_t dot = target.path.rfind(L'.');
  if (dot != std::wstring::npos) {
    const std::u16string typed(target.path.begin() + static_cast<std::ptrdiff_t>(dot),
                               target.path.end());
    for (const ExportFormat format : kFormats)
      if (EqualsIgnoringCase(typed, ExportExtension(format))) target.format = format;
  }
  return target;
}

std::vector<std::wstring> PathsOfOpenDialogAnswer(const wchar_t* answer) {
  std::vector<std::wstring> parts;
  for (const wchar_t* part = answer; *part; part += std::wcslen(part) + 1) parts.emplace_back(part);
  std::vector<std::wstring> paths;
  if (parts.size() == 1) paths = parts;
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(parts[0] + L"\\" + parts[i]);
  return paths;
}

}  // namespace rdc
