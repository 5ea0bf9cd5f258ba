// The program's arguments, split by the system's own rules.
#include "app/command_line_win32.h"

#include <windows.h>

#include <shellapi.h>

#include "os/owners_win32.h"

namespace rdc {

StartRequest ReadStartRequest(const wchar_t* commandLine) {
  StartRequest request;
  int count = 0;
  const LocalMemory<wchar_t**> arguments(CommandLineToArgvW(commandLine, &count));
  if (!arguments) return request;
  for (int i = 1; i < count; ++i) {
    const std::wstring argument = arguments.get()[i];
    const bool connect =
        CompareStringOrdinal(argument.c_str(), -1, L"/connect", -1, TRUE) == CSTR_EQUAL ||
        CompareStringOrdinal(argument.c_str(), -1, L"-connect", -1, TRUE) == CSTR_EQUAL;
    if (connect) {
      request.connectName = i + 1 < count ? arguments.get()[i + 1] : L"";
      request.files.clear();
      return request;
    }
    request.files.push_back(argument);
  }
  return request;
}

}  // namespace rdc
