// One server as another program's file gives it, before it joins the list,
// and the rules every format shares: the address, the account, the remark.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace rdc {

// The remote desktop port when a file names none.
inline constexpr std::u16string_view kDefaultRdpPort = u"3389";

// Between the levels of a group path, as in ServerEntry::group.
inline constexpr std::u16string_view kGroupPathSeparator = u"/";

// UTF-16 texts, as the file holds them.
struct ImportedServer {
  std::u16string host;
  std::u16string port;
  std::u16string account;
  std::u16string password;
  std::u16string remark;
  // The group the file put it in, its levels joined by "/" (the file's own
  // top group left out); "" for none.
  std::u16string group;
  // The file held a password for this server that could not be opened; the
  // password is left empty.
  bool passwordUnopened = false;
};

// 1 to 5 decimal digits.
bool IsPortText(std::u16string_view text);

// Host and port of an address: "host", "host:port", "[IPv6]", "[IPv6]:port",
// or a bare IPv6 literal (two colons or more), which has no port. The port is
// taken only when it is port text; otherwise it is empty.
struct HostAndPort {
  std::u16string host;
  std::u16string port;
};
HostAndPort SplitAddress(std::u16string_view address);

// The user name, with "DOMAIN\" in front when the name has no "\" or "@" and
// both the name and the domain are not empty.
std::u16string AccountWithDomain(std::u16string_view user, std::u16string_view domain);

// The lines that are not empty (trimmed, their own line breaks as CR LF),
// joined by CR LF.
std::u16string RemarkLines(std::initializer_list<std::u16string_view> lines);

// Adds a group's name to the end of a group path as NormalizeGroupPath
// would: trimmed of spaces and tabs, a name holding "/" as several levels,
// empty levels dropped.
void AppendGroupLevel(std::u16string& path, std::u16string_view name);

}  // namespace rdc
