// What the program was started to do besides opening its window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rdc {

struct StartRequest {
  // "/connect NAME" or "-connect NAME": connect to that server and end ("" when
  // the name is missing).
  std::optional<std::wstring> connectName;
  // Any other arguments: files to import (dropped on the exe, "Open with"),
  // as whole paths. Not taken with a connect.
  std::vector<std::wstring> files;
};

// The request in the command line of the process (GetCommandLineW's form:
// the program's own name first).
StartRequest ReadStartRequest(const wchar_t* commandLine);

}  // namespace rdc
