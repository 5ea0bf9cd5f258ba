// The export of the real program: the save dialog, the question about the
// passwords, the files written, and the box that says what came of it.
#include "ui/server_exporter_win32.h"

#include <algorithm>

#include "export/export_writer_win32.h"
#include "import/import_text.h"
#include "launch/launch_environment_win32.h"
#include "os/system_error_win32.h"
#include "ui/messages.h"
#include "ui/open_files_dialog_win32.h"

namespace rdc {
namespace {

// The folder and the name of a path ("" and the path when it has no "\").
std::pair<std::wstring, std::wstring> SplitPath(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {L".", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// The name without the format's extension, when it ends in it.
std::u16string StemOf(const std::wstring& name, ExportFormat format) {
  std::u16string text(name.begin(), name.end());
  const std::u16string_view extension = ExportExtension(format);
  if (text.size() > extension.size() &&
      EqualsIgnoringCase(std::u16string_view(text).substr(text.size() - extension.size()),
                         extension))
    return text.substr(0, text.size() - extension.size());
  return text;
}

}  // namespace

void SystemServerExporter::Export(HWND owner, const std::vector<ServerEntry>& servers,
                                  bool shareDisks, MessagePrompt& prompt) {
  if (servers.empty()) {
    prompt.Show(kNothingToExport, kExportCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::optional<ExportTarget> target = AskExportTarget(owner);
  if (!target) return;
  const auto [folder, name] = SplitPath(target->path);
  const bool anyPassword = std::any_of(servers.begin(), servers.end(),
                                       [](const ServerEntry& s) { return !s.password.empty(); });
  const bool withPasswords =
      target->format == ExportFormat::ConnectionFiles && anyPassword &&
      prompt.Show(kExportPasswordsQuestion, kExportCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;

  Win32LaunchEnvironment system;  // its GBK conversion and data protection
  const ExportedFiles exported = ExportFiles(target->format, servers, StemOf(name, target->format),
                                             withPasswords, shareDisks, system);
  const ExportWriteOutcome outcome = WriteExportedFiles(folder, exported.files);
  const bool oneFile = target->format != ExportFormat::ConnectionFiles;
  const int written = oneFile ? (outcome.error == ERROR_SUCCESS ? static_cast<int>(servers.size()) : 0)
                              : outcome.written;
  std::wstring text;
  if (written > 0) {
    text = ExportedText(written, oneFile ? folder + L"\\" + std::wstring(exported.files[0].name.begin(),
                                                                          exported.files[0].name.end())
                                         : folder);
    if (exported.passwordsLeftOut > 0) text += PasswordsLeftOutText(exported.passwordsLeftOut);
  }
  if (outcome.error != ERROR_SUCCESS) {
    if (!text.empty()) text += L"\n\n";
    text += ExportFailedText(outcome.failedFile) + L"\n" + SystemErrorText(outcome.error);
  }
  prompt.Show(text.c_str(), kExportCaption,
              MB_OK | (outcome.error == ERROR_SUCCESS ? MB_ICONINFORMATION : MB_ICONERROR));
}

ServerExporter& SystemExporter() {
  static SystemServerExporter exporter;
  return exporter;
}

}  // namespace rdc
