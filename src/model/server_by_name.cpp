// Command-line names against the stored servers.
#include "model/server_by_name.h"

#include <optional>

#include "model/server_address.h"
#include "text/gbk_text.h"

namespace rdc {
namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for the letter case of ASCII letters; the second byte of a
// double-byte character is compared as it is.
bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = CharLength(a, i);
    if (length == 1) {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    } else if (a.substr(i, length) != b.substr(i, length)) {
      return false;
    }
    i += length;
  }
  return true;
}

struct HostAndPort {
  std::string_view host;
  std::string_view port;
};

// "host:port" or "[v6]:port"; none for a name without a port, or for a bare
// IPv6 literal (whose last group is no port).
std::optional<HostAndPort> SplitHostAndPort(std::string_view name) {
  if (name.starts_with('[')) {
    const std::size_t close = name.find("]:");
    if (close == std::string_view::npos) return std::nullopt;
    return HostAndPort{name.substr(1, close - 1), name.substr(close + 2)};
  }
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos || name.find(':', colon + 1) != std::string_view::npos)
    return std::nullopt;
  return HostAndPort{name.substr(0, colon), name.substr(colon + 1)};
}

}  // namespace

int EntryNumberByName(const ServerList& list, std::string_view name) {
  if (name.empty()) return 0;
  const std::optional<HostAndPort> hostAndPort = SplitHostAndPort(name);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ServerEntry& entry = list[i];
    const bool matches =
        SameIgnoringCase(entry.host, name) ||
        SameIgnoringCase(RemarkFirstLine(entry.remark), name) ||
        (hostAndPort && SameIgnoringCase(HostWithoutBrackets(entry.host), hostAndPort->host) &&
         entry.port == hostAndPort->port);
    if (matches) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace rdc
