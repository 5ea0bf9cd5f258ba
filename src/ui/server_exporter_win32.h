// How the windows export servers to the files other programs read.
#pragma once

#include <windows.h>

#include <vector>

#include "model/server_list.h"
#include "ui/prompt_win32.h"

namespace rdc {

class ServerExporter {
 public:
  virtual ~ServerExporter() = default;
  // Exports `servers` where the user chooses, over the window `owner`,
  // connection files with the drive lines of `shareDisks`; says in a box of
  // `prompt` what was written or why not.
  virtual void Export(HWND owner, const std::vector<ServerEntry>& servers, bool shareDisks,
                      MessagePrompt& prompt) = 0;
};

// The system's save dialog, data protection and files.
class SystemServerExporter : public ServerExporter {
 public:
  void Export(HWND owner, const std::vector<ServerEntry>& servers, bool shareDisks,
              MessagePrompt& prompt) override;
};

// One for the whole process.
ServerExporter& SystemExporter();

}  // namespace rdc
