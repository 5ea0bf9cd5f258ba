// The program's arguments, split by the system's own rules.
#include "app/command_line_win32.h"

#include <windows.h>

#include <shellapi.h>

#include "os/owners_win32.h"

namespace rdc {
namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// Whether anything follows the program's own name, which the system's rules
// end at its closing quote when it starts with one, else at the first blank.
bool HasArguments(const wchar_t* commandLine) {
  const wchar_t* c = commandLine;
  if (*c == L'"') {
    for (++c; *c != L'\0' && *c != L'"'; ++c) {
    }
    if (*c == L'"') ++c;
  } else {
    for (; *c != L'\0' && !IsBlank(*c); ++c) {
    }
  }
  for (; IsBlank(*c); ++c) {
  }
  return *c != L'\0';
}

}  // namespace

StartRequest ReadStartRequest(const wchar_t* commandLine) {
  StartRequest request;
  // A start with no arguments does not load the shell, which splits them.
  if (!HasArguments(commandLine)) return request;
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
    // Made whole now: the program works in its own folder from here on.
    std::wstring whole(MAX_PATH, L'\0');
    DWORD length =
        GetFullPathNameW(argument.c_str(), static_cast<DWORD>(whole.size()), whole.data(), nullptr);
    if (length >= whole.size()) {
      whole.resize(length);
      length = GetFullPathNameW(argument.c_str(), length, whole.data(), nullptr);
    }
    whole.resize(length < whole.size() ? length : 0);
    request.files.push_back(whole.empty() ? argument : whole);
  }
  return request;
}

}  // namespace rdc
