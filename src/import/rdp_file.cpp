// Reading a connection file's server.
#include "import/rdp_file.h"

#include "import/import_text.h"

namespace rdc {

std::optional<std::u16string> UnprotectPassword(DataProtection& protection,
                                                std::string_view blob) {
  const std::optional<std::string> bytes = protection.Unprotect(blob);
  if (!bytes) return std::nullopt;
  return Utf16FromLittleEndianBytes(*bytes);
}

std::map<std::u16string, RdpSetting> ReadRdpSettings(std::u16string_view text) {
  std::map<std::u16string, RdpSetting> settings;
  while (!text.empty()) {
    // Lines end at CR LF, LF or a lone CR.
    const std::size_t end = text.find_first_of(u"\r\n");
    const std::u16string_view line = text.substr(0, end);
    text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end + 1);
    // name ":" letter ":" value
    const std::size_t colon = line.find(u':');
    if (colon == std::u16string_view::npos || colon == 0 || colon + 2 >= line.size() ||
        line[colon + 2] != u':')
      continue;
    const char16_t type = line[colon + 1];
    if (!((type >= u'a' && type <= u'z') || (type >= u'A' && type <= u'Z'))) continue;
    const std::u16string name = LowerAscii(Trimmed(line.substr(0, colon)));
    if (name.empty()) continue;
    settings[name] = {type, std::u16string(Trimmed(line.substr(colon + 3)))};
  }
  return settings;
}

RdpFileContent ReadRdpFile(std::u16string_view text, std::u16string_view fileStem,
                           DataProtection& protection) {
  const std::map<std::u16string, RdpSetting> settings = ReadRdpSettings(text);
  RdpFileContent content;
  if (settings.empty()) return content;
  const auto value = [&settings](std::u16string_view name) -> std::u16string_view {
    const auto found = settings.find(std::u16string(name));
    return found != settings.end() ? std::u16string_view(found->second.value)
                                   : std::u16string_view();
  };
  const std::u16string_view address = value(u"full address");
  if (address.empty()) {
    content.verdict = RdpVerdict::NoAddress;
    return content;
  }
  content.verdict = RdpVerdict::Server;
  ImportedServer& server = content.server;
  HostAndPort split = SplitAddress(address);
  server.host = std::move(split.host);
  server.port = std::move(split.port);
  if (server.port.empty() && IsPortText(value(u"server port"))) server.port = value(u"server port");
  if (server.port.empty()) server.port = kDefaultRdpPort;
  server.account = AccountWithDomain(value(u"username"), value(u"domain"));
  server.remark = RemarkLines({fileStem});

  const std::u16string_view hex = value(u"password 51");
  if (!hex.empty()) {
    const std::optional<std::string> blob = BytesFromHex(hex);
    std::optional<std::u16string> password;
    if (blob) password = UnprotectPassword(protection, *blob);
    if (password) {
      server.password = std::move(*password);
    } else {
      server.passwordUnopened = true;
    }
  }
  return content;
}

}  // namespace rdc
