#include "ui/chinese_order_win32.h"

#include <windows.h>

#include "text/text_win32.h"

namespace rdc {

std::string ChineseSortKey(std::string_view gbk) {
  const std::wstring text = WideFromGbk(gbk);
  const int length = static_cast<int>(text.size());
  const int size =
      LCMapStringEx(L"zh-CN", LCMAP_SORTKEY, text.c_str(), length, nullptr, 0, nullptr, nullptr, 0);
  if (size <= 0) return std::string(gbk);
  std::string key(static_cast<std::size_t>(size), '\0');
  // With LCMAP_SORTKEY the output is bytes, whatever the pointer's type says.
  LCMapStringEx(L"zh-CN", LCMAP_SORTKEY, text.c_str(), length,
                reinterpret_cast<LPWSTR>(key.data()), size, nullptr, nullptr, 0);
  return key;
}

}  // namespace rdc
