#include "ui/address_opener_win32.h"

#include <windows.h>
// <shellapi.h> builds on <windows.h>.
#include <shellapi.h>

namespace rdc {

void ShellAddressOpener::Open(const wchar_t* address) {
  // The result is ignored: a failed open changes nothing in the program.
  ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace rdc
