// Windows error codes as the system words them.
#include "os/system_error_win32.h"

#include "os/owners_win32.h"

namespace rdc {
namespace {

// Before the number of an error the system has no text for.
constexpr wchar_t kSystemErrorCode[] = L"错误代码 ";

}  // namespace

std::wstring SystemErrorText(DWORD error) {
  LocalMemory<wchar_t*> buffer;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.receive()), 0, nullptr);
  std::wstring text(buffer.get(), buffer.valid() ? length : 0);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) return kSystemErrorCode + std::to_wstring(error);
  return text;
}

}  // namespace rdc
