// The address, account and remark rules shared by the importers.
#include "import/imported_server.h"

#include <algorithm>

#include "import/import_text.h"
#include "text/line_breaks.h"

namespace rdc {
bool IsPortText(std::u16string_view text) {
  return !text.empty() && text.size() <= 5 &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

HostAndPort SplitAddress(std::u16string_view address) {
  address = Trimmed(address);
  if (address.starts_with(u'[')) {
    const std::size_t close = address.find(u']');
    if (close != std::u16string_view::npos) {
      const std::u16string_view rest = address.substr(close + 1);
      HostAndPort result{std::u16string(address.substr(1, close - 1)), {}};
      if (rest.starts_with(u':') && IsPortText(rest.substr(1)))
        result.port = std::u16string(rest.substr(1));
      return result;
    }
  }
  const std::size_t colon = address.find(u':');
  if (colon == std::u16string_view::npos || address.find(u':', colon + 1) != std::u16string_view::npos)
    return {std::u16string(address), {}};
  const std::u16string_view port = address.substr(colon + 1);
  return {std::u16string(address.substr(0, colon)),
          IsPortText(port) ? std::u16string(port) : std::u16string()};
}

std::u16string AccountWithDomain(std::u16string_view user, std::u16string_view domain) {
  if (user.empty() || domain.empty() || user.find_first_of(u"\\@") != std::u16string_view::npos)
    return std::u16string(user);
  return std::u16string(domain) + u"\\" + std::u16string(user);
}

std::u16string RemarkLines(std::initializer_list<std::u16string_view> lines) {
  std::u16string remark;
  for (const std::u16string_view line : lines) {
    const std::u16string_view text = Trimmed(line);
    if (text.empty()) continue;
    if (!remark.empty()) remark += u"\r\n";
    remark += WithCrLf(text);
  }
  return remark;
}

std::u16string GroupLine(std::u16string_view path) {
  return path.empty() ? std::u16string() : std::u16string(kGroupLinePrefix) + std::u16string(path);
}

}  // namespace rdc
