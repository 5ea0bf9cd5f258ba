// GBK <-> UTF-16 through code page 936.
#include "text/text_win32.h"

#include "text/line_breaks.h"

#include <windows.h>

namespace rdc {

std::wstring WideFromGbk(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int size = static_cast<int>(gbk.size());
  const int units = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, wide.data(), units);
  return wide;
}

std::string GbkFromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int bytes =
      WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string gbk(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, gbk.data(), bytes, nullptr, nullptr);
  return gbk;
}

std::wstring WithWindowsLineBreaks(std::wstring_view text) {
  return WithCrLf(text);
}

}  // namespace rdc
