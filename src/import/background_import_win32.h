// Imports run on a thread of their own, so the window stays responsive while
// thousands of passwords are opened. A master password is asked on the
// window's thread; the outcome comes back to the window.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "import/import_files.h"
#include "model/server_list.h"
#include "import/server_importer_win32.h"

namespace rdc {

// The messages an import posts to its window (they carry nothing).
struct ImportMessages {
  UINT question;  // a master password is wanted: AnswerQuestion
  UINT done;      // the outcome is ready: TakeOutcome
};

class BackgroundImport {
 public:
  BackgroundImport(ServerImporter& importer, ImportMessages messages);
  // Cancels a running import and gives it up to kEndWaitMs to end; one that
  // is still held in the system then (a file on a share that does not answer)
  // is left to end with the process.
  ~BackgroundImport();
  BackgroundImport(const BackgroundImport&) = delete;
  BackgroundImport& operator=(const BackgroundImport&) = delete;

  bool busy() const;

  // Starts importing `paths` against `existing` (a copy: the list may change
  // meanwhile). `window` is sent the question message when a master password
  // is wanted and the done message when the outcome is ready. Not while busy.
  void Start(HWND window, std::vector<std::wstring> paths, ServerList existing);

  // On the question message: asks the waiting question with `prompt` (a
  // modal dialog) and hands the answer to the import.
  void AnswerQuestion(MasterPasswordPrompt& prompt);

  // On the done message: the outcome of the import that ended, once.
  std::optional<ImportOutcome> TakeOutcome();

  // The window goes: a running import is told to stop, a question it waits
  // on is abandoned and its outcome is dropped (nothing of it is added). No
  // import starts after it.
  void Cancel();

  static constexpr DWORD kEndWaitMs = 1000;

 private:
  struct Shared;
  ServerImporter& importer_;
  ImportMessages messages_;
  std::shared_ptr<Shared> shared_;
  std::stop_source stop_;
  std::thread thread_;
};

}  // namespace rdc
