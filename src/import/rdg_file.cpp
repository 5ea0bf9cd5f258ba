// Reading a group file's servers: one walk down the groups, each setting
// looked up from the server towards the file among the settings each node
// of the way was found to hold when it was entered.
#include "import/rdg_file.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "import/import_text.h"

namespace rdc {
namespace {

// Schema 3 keeps a node's name, display name and comment in "properties";
// schema 1 keeps a server's directly inside it.
std::u16string_view Property(const XmlElement& node, std::u16string_view name) {
  if (const XmlElement* properties = node.Child(u"properties")) {
    if (const XmlElement* value = properties->Child(name)) return Trimmed(value->text);
  }
  return Trimmed(node.ChildText(name));
}

// The settings a node may hold for the servers below it.
enum Setting { kConnectionSettings, kLogonCredentials, kEncryptionSettings, kSettingCount };
constexpr std::u16string_view kSettingNames[kSettingCount] = {
    u"connectionSettings", u"logonCredentials", u"encryptionSettings"};

// A node of the chain with the children the look-ups want, found in one pass
// over its children when it is entered: a group's children are its servers
// too, and looking them up among those for every server would take time
// quadratic in the size of the group.
struct Level {
  explicit Level(const XmlElement& node) {
    const XmlElement* profileList = nullptr;
    for (const XmlElement& child : node.children) {
      for (int setting = 0; setting < kSettingCount; ++setting)
        if (settings[setting] == nullptr && child.name == kSettingNames[setting])
          settings[setting] = &child;
      if (profileList == nullptr && child.name == u"credentialsProfiles") profileList = &child;
    }
    if (profileList == nullptr) return;
    for (const XmlElement& candidate : profileList->children)
      if (candidate.name == u"credentialsProfile")
        profiles.emplace(Trimmed(candidate.ChildText(u"profileName")), &candidate);
  }

  const XmlElement* settings[kSettingCount] = {};  // the first child of each name
  // The first credentialsProfile of each name in the first credentialsProfiles.
  std::unordered_map<std::u16string_view, const XmlElement*> profiles;
};

// The file, the groups down to the node, and the node itself.
using Chain = std::vector<Level>;

// Where a setting comes from: its element and the chain position that holds it.
struct InForce {
  const XmlElement* element = nullptr;
  std::size_t at = 0;
};

std::optional<InForce> SettingInForce(const Chain& chain, std::size_t index, Setting setting) {
  for (std::size_t i = index + 1; i-- > 0;) {
    const XmlElement* element = chain[i].settings[setting];
    if (element != nullptr && !EqualsIgnoringCase(element->AttributeText(u"inherit"), u"FromParent"))
      return InForce{element, i};
  }
  return std::nullopt;
}

struct Credentials {
  std::u16string_view user;
  std::u16string_view domain;
  const XmlElement* password = nullptr;
  std::size_t at = 0;  // the chain position that holds them
};

Credentials CredentialsOf(const XmlElement& element, std::size_t at) {
  return {Trimmed(element.ChildText(u"userName")), Trimmed(element.ChildText(u"domain")),
          element.Child(u"password"), at};
}

// The credentials a logonCredentials element gives: a profile of the file
// when it names one with scope="File", else its own values.
Credentials ResolveCredentials(const Chain& chain, const InForce& logon) {
  const XmlElement* profile = logon.element->Child(u"profileName");
  if (profile != nullptr && EqualsIgnoringCase(profile->AttributeText(u"scope"), u"File")) {
    const std::u16string_view wanted = Trimmed(profile->text);
    for (std::size_t i = logon.at + 1; i-- > 0;) {
      const auto found = chain[i].profiles.find(wanted);
      if (found != chain[i].profiles.end()) return CredentialsOf(*found->second, i);
    }
    return {};
  }
  return CredentialsOf(*logon.element, logon.at);
}

std::u16string WithPlaceholders(std::u16string_view text, std::u16string_view host,
                                std::u16string_view display) {
  std::u16string result;
  while (!text.empty()) {
    if (text.starts_with(u"[server]")) {
      result += host;
      text.remove_prefix(8);
    } else if (text.starts_with(u"[display]")) {
      result += display;
      text.remove_prefix(9);
    } else {
      result += text.front();
      text.remove_prefix(1);
    }
  }
  return result;
}

void OpenPassword(const Chain& chain, const Credentials& credentials, DataProtection& protection,
                  ImportedServer& server) {
  if (credentials.password == nullptr) return;
  const std::u16string& stored = credentials.password->text;
  if (Trimmed(stored).empty()) return;
  if (EqualsIgnoringCase(credentials.password->AttributeText(u"storeAsClearText"), u"True")) {
    server.password = stored;
    return;
  }
  const std::optional<InForce> encryption =
      SettingInForce(chain, credentials.at, kEncryptionSettings);
  const bool byCertificate =
      encryption && EqualsIgnoringCase(Trimmed(encryption->element->ChildText(u"encryptionMethod")),
                                       u"Certificate");
  std::optional<std::u16string> password;
  if (!byCertificate) {
    if (const std::optional<std::string> blob = BytesFromBase64(stored))
      password = UnprotectPassword(protection, *blob);
  }
  if (password) {
    server.password = std::move(*password);
  } else {
    server.passwordUnopened = true;
  }
}

class RdgWalk {
 public:
  RdgWalk(DataProtection& protection, std::vector<ImportedServer>& servers)
      : protection_(protection), servers_(servers) {}

  void Walk(const XmlElement& node) {
    for (const XmlElement& child : node.children) {
      if (child.name == u"group" && chain_.size() < kMaxXmlDepth) {
        chain_.emplace_back(child);
        groups_.push_back(Property(child, u"name"));
        Walk(child);
        groups_.pop_back();
        chain_.pop_back();
      } else if (child.name == u"server") {
        chain_.emplace_back(child);
        AddServer(child);
        chain_.pop_back();
      }
    }
  }

  void Enter(const XmlElement& file) { chain_.emplace_back(file); }

 private:
  void AddServer(const XmlElement& node) {
    ImportedServer server;
    server.host = Property(node, u"name");
    std::u16string_view display = Property(node, u"displayName");
    if (display.empty()) display = server.host;
    const std::size_t self = chain_.size() - 1;

    if (const std::optional<InForce> connection = SettingInForce(chain_, self, kConnectionSettings)) {
      const std::u16string_view port = Trimmed(connection->element->ChildText(u"port"));
      if (IsPortText(port)) server.port = port;
    }
    if (server.port.empty()) server.port = kDefaultRdpPort;

    if (const std::optional<InForce> logon = SettingInForce(chain_, self, kLogonCredentials)) {
      const Credentials credentials = ResolveCredentials(chain_, *logon);
      server.account = AccountWithDomain(WithPlaceholders(credentials.user, server.host, display),
                                         WithPlaceholders(credentials.domain, server.host, display));
      OpenPassword(chain_, credentials, protection_, server);
    }

    for (const std::u16string_view group : groups_) AppendGroupLevel(server.group, group);
    // A comment whose first line is the display name holds it already (so
    // this program writes a remark: its first line the display name).
    const std::u16string_view comment = Property(node, u"comment");
    const bool named = display != server.host &&
                       Trimmed(comment.substr(0, comment.find_first_of(u"\r\n"))) != display;
    server.remark = RemarkLines({named ? display : std::u16string_view(), comment});
    servers_.push_back(std::move(server));
  }

  DataProtection& protection_;
  std::vector<ImportedServer>& servers_;
  Chain chain_;
  std::vector<std::u16string_view> groups_;
};

}  // namespace

std::vector<ImportedServer> ReadRdgFile(const XmlElement& root, DataProtection& protection) {
  std::vector<ImportedServer> servers;
  const XmlElement* file = root.Child(u"file");
  if (file == nullptr) return servers;
  RdgWalk walk(protection, servers);
  walk.Enter(*file);
  walk.Walk(*file);
  return servers;
}

}  // namespace rdc
