// The one pair of conversions between the program's GBK texts and the wide
// (UTF-16) texts of the Windows API; always code page 936, whatever the
// system's own code page is.
#pragma once

#include <string>
#include <string_view>

namespace rdc {

inline constexpr unsigned kGbkCodePage = 936;

std::wstring WideFromGbk(std::string_view gbk);
std::string GbkFromWide(std::wstring_view wide);

// A multi-line edit box shows a line break only as CR LF: every CR, LF or
// CR LF of `text` becomes CR LF.
std::wstring WithWindowsLineBreaks(std::wstring_view text);

}  // namespace rdc
