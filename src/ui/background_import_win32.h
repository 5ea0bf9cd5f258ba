// Imports run on a thread of their own, so the window stays responsive while
// thousands of passwords are opened. A master password is asked on the
// window's thread; the outcome comes back to the window.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "import/import_files.h"
#include "model/server_list.h"
#include "ui/server_importer_win32.h"

namespace rdc {

class BackgroundImport {
 public:
  explicit BackgroundImport(ServerImporter& importer);
  // A running import is told that nobody waits for its questions, and ends
  // before the importer may go.
  ~BackgroundImport();
  BackgroundImport(const BackgroundImport&) = delete;
  BackgroundImport& operator=(const BackgroundImport&) = delete;

  bool busy() const;

  // Starts importing `paths` against `existing` (a copy: the list may change
  // meanwhile). `window` is sent kImportQuestionMessage when a master password
  // is wanted and kImportDoneMessage when the outcome is ready. Not while busy.
  void Start(HWND window, std::vector<std::wstring> paths, ServerList existing);

  // On kImportQuestionMessage: asks the waiting question with `prompt` (a
  // modal dialog) and hands the answer to the import.
  void AnswerQuestion(MasterPasswordPrompt& prompt);

  // On kImportDoneMessage: the outcome of the import that ended, once.
  std::optional<ImportOutcome> TakeOutcome();

 private:
  struct Shared;
  ServerImporter& importer_;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace rdc
