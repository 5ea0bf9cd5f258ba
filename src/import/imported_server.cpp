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

void AppendGroupLevel(std::u16string& path, std::u16string_view name) {
  while (!name.empty()) {
    const std::size_t separator = name.find(kGroupPathSeparator);
    std::u16string_view level = name.substr(0, separator);
    name =
        separator == std::u16string_view::npos ? std::u16string_view() : name.substr(separator + 1);
    const std::size_t first = level.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos) continue;
    level = level.substr(first, level.find_last_not_of(u" \t") - first + 1);
    if (!path.empty()) path += kGroupPathSeparator;
    path += level;
  }
}

}  // namespace rdc
