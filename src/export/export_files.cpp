// The export's three formats and the connection files' names.
#include "export/export_files.h"

#include <optional>
#include <set>

#include "import/import_text.h"
#include "launch/profile.h"
#include "model/server_groups.h"
#include "text/gbk_text.h"
#include "text/line_breaks.h"

namespace rdc {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::size_t kMaxStemLength = 100;

std::string Utf8Of(ExportSystem& system, std::string_view gbk) {
  return Utf8FromUtf16(Utf16Of(system, gbk));
}

std::string Remark(const ServerEntry& server) {
  return WithCrLf(std::string_view(server.remark));
}

// A field, quoted where needed. One that a spreadsheet would take for a
// formula (beginning with "=", "+", "-", "@", a tab or a CR) is given a
// leading "'", which the spreadsheet shows as text.
std::string CsvField(std::string_view text) {
  std::string field;
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
    field = "'";
  field += text;
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

// Text for an element's content or an attribute's value. XML 1.0 has no form
// for the control characters other than tab, CR and LF: they are left out.
std::string XmlText(std::string_view utf8) {
  std::string text;
  for (const char c : utf8) {
    switch (c) {
      case '&': text += "&amp;"; break;
      case '<': text += "&lt;"; break;
      case '>': text += "&gt;"; break;
      case '"': text += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\r' || c == '\n') text += c;
    }
  }
  return text;
}

std::string Base64(std::string_view bytes) {
  constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t taken = std::min<std::size_t>(3, bytes.size() - i);
    unsigned group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < taken ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k)
      text += k <= taken ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
  }
  return text;
}

std::string LittleEndianBytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(2 * text.size());
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// The group file's writer: elements indented by two spaces per level.
class GroupFileWriter {
 public:
  GroupFileWriter(ExportSystem& system, int& passwordsLeftOut)
      : system_(system), passwordsLeftOut_(passwordsLeftOut) {}

  std::string Write(std::span<const ServerEntry> servers, std::u16string_view name) {
    text_ = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<RDCMan programVersion=\"2.90\" schemaVersion=\"3\">\r\n";
    Open(1, "file");
    Line(2, "<credentialsProfiles />");
    Properties(2, Utf8FromUtf16(name));
    // The groups in the order their first server comes, each server under its
    // own group in list order.
    Node root;
    for (const ServerEntry& server : servers) {
      Node* node = &root;
      for (const std::string& level : SplitText(server.group, kGroupLevelSeparator))
        if (!level.empty()) node = &node->Child(level);
      node->servers.push_back(&server);
    }
    Contents(root, 2);
    Close(1, "file");
    text_ += "  <connected />\r\n  <favorites />\r\n  <recentlyUsed />\r\n</RDCMan>\r\n";
    return std::move(text_);
  }

 private:
  struct Node {
    std::string name;  // GBK
    std::vector<Node> groups;
    std::vector<const ServerEntry*> servers;
    Node& Child(const std::string& level) {
      for (Node& group : groups)
        if (group.name == level) return group;
      groups.push_back({level, {}, {}});
      return groups.back();
    }
  };

  void Line(int depth, std::string_view content) {
    text_.append(2 * static_cast<std::size_t>(depth), ' ');
    text_ += content;
    text_ += "\r\n";
  }
  void Open(int depth, std::string_view name) { Line(depth, Tag("", name, "")); }
  void Close(int depth, std::string_view name) { Line(depth, Tag("/", name, "")); }
  // <name>text</name>, or <name /> for an empty text.
  void Element(int depth, std::string_view name, std::string_view utf8,
               std::string_view attributes = {}) {
    if (utf8.empty()) {
      Line(depth, Tag("", name, std::string(attributes) + " /"));
    } else {
      Line(depth, Tag("", name, attributes) + XmlText(utf8) + Tag("/", name, ""));
    }
  }
  static std::string Tag(std::string_view before, std::string_view name, std::string_view after) {
    std::string tag = "<";
    tag.append(before).append(name).append(after) += '>';
    return tag;
  }
  void Properties(int depth, std::string_view name) {
    Open(depth, "properties");
    Element(depth + 1, "expanded", "True");
    Element(depth + 1, "name", name);
    Close(depth, "properties");
  }

  void Contents(const Node& node, int depth) {
    for (const ServerEntry* server : node.servers) Server(*server, depth);
    for (const Node& group : node.groups) {
      Open(depth, "group");
      Properties(depth + 1, Utf8Of(system_, group.name));
      Contents(group, depth + 1);
      Close(depth, "group");
    }
  }

  void Server(const ServerEntry& server, int depth) {
    const std::string host = Utf8Of(system_, server.host);
    const std::string remark = Utf8Of(system_, Remark(server));
    std::string display = Utf8Of(system_, RemarkFirstLine(server.remark));
    if (Trimmed(Utf16Of(system_, RemarkFirstLine(server.remark))).empty()) display = host;

    Open(depth, "server");
    Open(depth + 1, "properties");
    Element(depth + 2, "displayName", display);
    Element(depth + 2, "name", host);
    Element(depth + 2, "comment", remark);
    Close(depth + 1, "properties");

    // "DOMAIN\user" as its two parts, when the import puts them together again.
    std::u16string user = Utf16Of(system_, server.account);
    std::u16string domain;
    const std::size_t backslash = user.find(u'\\');
    if (backslash != std::u16string::npos && backslash > 0 && backslash + 1 < user.size() &&
        user.find_first_of(u"\\@", backslash + 1) == std::u16string::npos) {
      domain = user.substr(0, backslash);
      user.erase(0, backslash + 1);
    }
    Line(depth + 1, "<logonCredentials inherit=\"None\">");
    Element(depth + 2, "profileName", "Custom", " scope=\"Local\"");
    Element(depth + 2, "userName", Utf8FromUtf16(user));
    Element(depth + 2, "password", ProtectedPassword(server.password));
    Element(depth + 2, "domain", Utf8FromUtf16(domain));
    Close(depth + 1, "logonCredentials");

    Line(depth + 1, "<connectionSettings inherit=\"None\">");
    Element(depth + 2, "connectToConsole", "False");
    Element(depth + 2, "startProgram", "");
    Element(depth + 2, "workingDir", "");
    Element(depth + 2, "port", Utf8Of(system_, server.port));
    Element(depth + 2, "loadBalanceInfo", "");
    Close(depth + 1, "connectionSettings");
    Close(depth, "server");
  }

  // Base64 of the password's UTF-16 LE bytes protected for this user; empty
  // for no password, or when the protection fails (counted).
  std::string ProtectedPassword(const std::string& password) {
    if (password.empty()) return {};
    const std::string blob =
        system_.Protect(LittleEndianBytes(Utf16Of(system_, password)), std::u16string_view());
    if (blob.empty()) {
      ++passwordsLeftOut_;
      return {};
    }
    return Base64(blob);
  }

  ExportSystem& system_;
  int& passwordsLeftOut_;
  std::string text_;
};

// The profile a connection writes for the server, with its connection
// settings, with or without its password line.
std::string ConnectionProfile(const ServerEntry& server, bool withPassword, bool shareDisks,
                              ExportSystem& system, int& passwordsLeftOut) {
  std::optional<std::string> passwordValue;
  if (withPassword && !server.password.empty()) {
    passwordValue = ProtectPasswordHex(system, server.password);
    // The hexadecimal text of no blob at all: the protection failed.
    if (*passwordValue == BlobHex({})) {
      passwordValue.reset();
      ++passwordsLeftOut;
    }
  }
  // The server's own connection settings, as its connection uses them; the
  // settings of a hand-edited ms.ini that could add a line are left out.
  ConnectionSettings settings = ParseSettingsField(server.settings);
  if (!HasSoundTexts(settings)) settings = {};
  std::string profile = ComposeProfile(server.account, server.host, server.port, passwordValue,
                                       shareDisks, settings);
  // Without a password, no line for it: the placeholder's line goes.
  if (!passwordValue) {
    const std::string line = "\r\n" + std::string(kPasswordPlaceholder) + "\r\n";
    if (const std::size_t at = profile.find(line); at != std::string::npos)
      profile.erase(at, line.size() - 2);
  }
  return profile;
}

bool IsReservedDeviceName(std::u16string_view stem) {
  // The part before the first dot, without the spaces at its end, names the device.
  std::u16string base = LowerAscii(stem.substr(0, stem.find(u'.')));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  if (base == u"con" || base == u"prn" || base == u"aux" || base == u"nul") return true;
  return base.size() == 4 && (base.starts_with(u"com") || base.starts_with(u"lpt")) &&
         base[3] >= u'1' && base[3] <= u'9';
}

}  // namespace

std::u16string_view ExportExtension(ExportFormat format) {
  switch (format) {
    case ExportFormat::GroupFile: return u".rdg";
    case ExportFormat::ConnectionFiles: return u".rdp";
    case ExportFormat::Csv: return u".csv";
  }
  return {};
}

std::string CsvText(std::span<const ServerEntry> servers, ExportSystem& system) {
  std::string text(kUtf8Mark);
  text += "\xE4\xB8\xBB\xE6\x9C\xBA" "IP" "\xE5\x9C\xB0\xE5\x9D\x80,"  // 主机IP地址
          "\xE7\xAB\xAF\xE5\x8F\xA3,"                                    // 端口
          "\xE7\x99\xBB\xE9\x99\x86\xE8\xB4\xA6\xE5\x8F\xB7,"            // 登陆账号
          "\xE5\x88\x86\xE7\xBB\x84,"                                    // 分组
          "\xE5\xA4\x87\xE6\xB3\xA8\r\n";                                // 备注
  for (const ServerEntry& server : servers) {
    for (const std::string* field : {&server.host, &server.port, &server.account, &server.group}) {
      text += CsvField(Utf8Of(system, *field));
      text += ',';
    }
    text += CsvField(Utf8Of(system, Remark(server)));
    text += "\r\n";
  }
  return text;
}

ExportedFiles GroupFileText(std::span<const ServerEntry> servers, std::u16string_view name,
                            ExportSystem& system) {
  ExportedFiles exported;
  GroupFileWriter writer(system, exported.passwordsLeftOut);
  exported.files.push_back({std::u16string(name), writer.Write(servers, name)});
  return exported;
}

std::u16string SafeFileStem(std::u16string_view name) {
  std::u16string stem;
  for (const char16_t unit : name) {
    const bool unsafe = unit < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(unit) !=
                                           std::u16string_view::npos;
    stem += unsafe ? u'_' : unit;
  }
  if (stem.size() > kMaxStemLength) stem.resize(kMaxStemLength);
  while (!stem.empty() && (stem.back() == u'.' || stem.back() == u' ')) stem.pop_back();
  stem.erase(0, stem.find_first_not_of(u' '));
  if (stem.empty()) return u"_";
  if (IsReservedDeviceName(stem)) return u'_' + stem;
  return stem;
}

std::vector<std::u16string> ConnectionFileNames(std::span<const ServerEntry> servers,
                                                ExportSystem& system) {
  std::vector<std::u16string> names;
  std::set<std::u16string> taken;  // in lower case
  const std::u16string extension(ExportExtension(ExportFormat::ConnectionFiles));
  for (const ServerEntry& server : servers) {
    std::u16string title(Trimmed(Utf16Of(system, RemarkFirstLine(server.remark))));
    if (title.empty()) title = Utf16Of(system, server.host);
    const std::u16string stem = SafeFileStem(title);
    std::u16string name = stem + extension;
    for (int number = 2; !taken.insert(LowerAscii(name)).second; ++number) {
      name = stem;
      name.append(u" (").append(Utf16FromUtf8(std::to_string(number)).value_or(u""));
      name.append(u")").append(extension);
    }
    names.push_back(std::move(name));
  }
  return names;
}

ExportedFiles ExportFiles(ExportFormat format, std::span<const ServerEntry> servers,
                          std::u16string_view stem, bool withPasswords, bool shareDisks,
                          ExportSystem& system) {
  const std::u16string fileName = std::u16string(stem) + std::u16string(ExportExtension(format));
  switch (format) {
    case ExportFormat::GroupFile: {
      ExportedFiles exported = GroupFileText(servers, stem, system);
      exported.files.front().name = fileName;
      return exported;
    }
    case ExportFormat::Csv: return {{{fileName, CsvText(servers, system)}}, 0};
    case ExportFormat::ConnectionFiles: break;
  }
  ExportedFiles exported;
  const std::vector<std::u16string> names = ConnectionFileNames(servers, system);
  for (std::size_t i = 0; i < servers.size(); ++i) {
    const std::string profile =
        ConnectionProfile(servers[i], withPasswords, shareDisks, system, exported.passwordsLeftOut);
    exported.files.push_back(
        {names[i], "\xFF\xFE" + LittleEndianBytes(Utf16Of(system, profile))});
  }
  return exported;
}

}  // namespace rdc
