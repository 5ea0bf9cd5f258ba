// Line breaks as a multi-line edit box shows them and a remark keeps them.
#pragma once

#include <string>
#include <string_view>

namespace rdc {

// Every CR, LF or CR LF of `text` as CR LF.
template <class Char>
std::basic_string<Char> WithCrLf(std::basic_string_view<Char> text) {
  std::basic_string<Char> result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == Char('\r') || text[i] == Char('\n')) {
      result += Char('\r');
      result += Char('\n');
      if (text[i] == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace rdc
