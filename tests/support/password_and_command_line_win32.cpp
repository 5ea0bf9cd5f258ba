// Splitting a command line and opening a password value, through the system.
#include "password_and_command_line_win32.h"

#include <windows.h>
// <dpapi.h> and <shellapi.h> build on <windows.h>.
#include <dpapi.h>
#include <shellapi.h>

namespace rdc::test {

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(commandLine.c_str(), &count);
  std::vector<std::wstring> split(arguments, arguments + (arguments != nullptr ? count : 0));
  LocalFree(arguments);
  return split;
}

OpenedPassword OpenPasswordValue(const std::string& value) {
  OpenedPassword opened;
  if (value.size() % 2 != 1 || value.back() != '0') return opened;
  std::string blob;
  for (std::size_t n = 0; n + 1 < value.size(); n += 2) {
    const std::string digits = value.substr(n, 2);
    if (digits.find_first_not_of("0123456789ABCDEF") != std::string::npos) return opened;
    blob += static_cast<char>(std::stoi(digits, nullptr, 16));
  }
  DATA_BLOB input{static_cast<DWORD>(blob.size()), reinterpret_cast<BYTE*>(blob.data())};
  DATA_BLOB output{0, nullptr};
  LPWSTR description = nullptr;
  if (!CryptUnprotectData(&input, &description, nullptr, nullptr, nullptr, 0, &output))
    return opened;
  opened.ok = true;
  opened.data.assign(reinterpret_cast<const char*>(output.pbData), output.cbData);
  opened.description = description != nullptr ? description : L"";
  LocalFree(output.pbData);
  LocalFree(description);
  return opened;
}

}  // namespace rdc::test
