// Reading a connection list: the master password first, then a walk down the
// containers.
#include "import/conf_cons_file.h"

#include "import/import_text.h"

namespace rdc {
namespace {

constexpr std::u16string_view kNodeName = u"Node";

std::uint32_t KdfIterationsOf(const XmlElement& root) {
  const std::u16string_view text = Trimmed(root.AttributeText(u"KdfIterations"));
  if (text.empty()) return kDefaultKdfIterations;
  std::uint64_t value = 0;
  for (const char16_t digit : text) {
    if (digit < u'0' || digit > u'9') return 0;
    value = value * 10 + (digit - u'0');
    if (value > kMaxKdfIterations) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

bool IsTrue(std::u16string_view text) {
  return EqualsIgnoringCase(Trimmed(text), u"true");
}

// The master password that opens the file's Protected value, or nothing.
std::optional<std::u16string> MasterPasswordOf(const XmlElement& root, std::u16string_view fileName,
                                               std::uint32_t iterations, DerivedKeys& keys,
                                               MasterPasswordPrompt& prompt) {
  if (iterations == 0) return std::nullopt;  // no password opens anything
  const std::u16string_view check = Trimmed(root.AttributeText(u"Protected"));
  if (check.empty() || OpenConfConsSecret(keys, kDefaultMasterPassword, check, iterations))
    return std::u16string(kDefaultMasterPassword);
  std::optional<std::u16string> typed = prompt.AskMasterPassword(fileName);
  if (typed && OpenConfConsSecret(keys, *typed, check, iterations)) return typed;
  return std::nullopt;
}

class ConfConsWalk {
 public:
  ConfConsWalk(DerivedKeys& keys, const std::optional<std::u16string>& masterPassword,
               std::uint32_t iterations, std::vector<ImportedServer>& servers)
      : keys_(keys), masterPassword_(masterPassword), iterations_(iterations),
        servers_(servers) {}

  void Walk(const XmlElement& parent) {
    for (const XmlElement& node : parent.children) {
      if (node.name != kNodeName) continue;
      const std::u16string_view type = Trimmed(node.AttributeText(u"Type"));
      if (EqualsIgnoringCase(type, u"Container")) {
        if (containers_.size() >= kMaxXmlDepth) continue;
        containers_.push_back(&node);
        Walk(node);
        containers_.pop_back();
      } else if (type.empty() || EqualsIgnoringCase(type, u"Connection")) {
        AddConnection(node);
      }
    }
  }

 private:
  // The node's value, or the value of the container it inherits it from.
  std::u16string_view Inherited(const XmlElement& node, std::u16string_view name) const {
    const std::u16string flag = u"Inherit" + std::u16string(name);
    const XmlElement* holder = &node;
    std::size_t above = containers_.size();
    while (above > 0 && IsTrue(holder->AttributeText(flag))) holder = containers_[--above];
    return holder->AttributeText(name);
  }

  void AddConnection(const XmlElement& node) {
    const std::u16string_view protocol = Trimmed(Inherited(node, u"Protocol"));
    if (!protocol.empty() && !EqualsIgnoringCase(protocol, u"RDP")) return;

    ImportedServer server;
    HostAndPort address = SplitAddress(Inherited(node, u"Hostname"));
    server.host = std::move(address.host);
    server.port = std::move(address.port);
    const std::u16string_view port = Trimmed(Inherited(node, u"Port"));
    if (server.port.empty() && IsPortText(port)) server.port = port;
    if (server.port.empty()) server.port = kDefaultRdpPort;
    server.account = AccountWithDomain(Trimmed(Inherited(node, u"Username")),
                                       Trimmed(Inherited(node, u"Domain")));

    const std::u16string_view sealed = Trimmed(Inherited(node, u"Password"));
    if (!sealed.empty()) {
      std::optional<std::u16string> password;
      if (masterPassword_) {
        if (const std::optional<std::string> utf8 =
                OpenConfConsSecret(keys_, *masterPassword_, sealed, iterations_))
          password = Utf16FromUtf8(*utf8);
      }
      if (password) {
        server.password = std::move(*password);
      } else {
        server.passwordUnopened = true;
      }
    }

    for (const XmlElement* container : containers_)
      AppendGroupLevel(server.group, container->AttributeText(u"Name"));
    const std::u16string_view name = Trimmed(node.AttributeText(u"Name"));
    server.remark = RemarkLines({name != server.host ? name : std::u16string_view(),
                                 node.AttributeText(u"Descr")});
    servers_.push_back(std::move(server));
  }

  DerivedKeys& keys_;
  const std::optional<std::u16string>& masterPassword_;
  std::uint32_t iterations_;
  std::vector<ImportedServer>& servers_;
  std::vector<const XmlElement*> containers_;
};

}  // namespace

BlockCipher* DerivedKeys::Aes256(std::string_view password, std::string_view salt,
                                 std::uint32_t iterations) {
  // The rounds and the salt have fixed sizes, so the password is the rest.
  std::string key(reinterpret_cast<const char*>(&iterations), sizeof iterations);
  key += salt;
  key += password;
  auto found = keys_.find(key);
  if (found == keys_.end())
    found = keys_.emplace(std::move(key), crypto_.DerivedAes256(password, salt, iterations)).first;
  return found->second.get();
}

std::optional<std::string> OpenConfConsSecret(DerivedKeys& keys, std::u16string_view password,
                                              std::u16string_view sealed,
                                              std::uint32_t iterations) {
  if (iterations == 0) return std::nullopt;
  const std::optional<std::string> bytes = BytesFromBase64(sealed);
  if (!bytes || bytes->size() < kConfConsSaltSize + kConfConsNonceSize + kGcmTagSize)
    return std::nullopt;
  const std::string_view all(*bytes);
  const std::string_view salt = all.substr(0, kConfConsSaltSize);
  const std::string_view nonce = all.substr(kConfConsSaltSize, kConfConsNonceSize);
  BlockCipher* const cipher = keys.Aes256(Utf8FromUtf16(password), salt, iterations);
  if (cipher == nullptr) return std::nullopt;
  return GcmDecrypt(*cipher, nonce, salt, all.substr(kConfConsSaltSize + kConfConsNonceSize));
}

ConfConsContent ReadConfConsFile(const XmlElement& root, std::u16string_view fileName,
                                 ConfConsCrypto& crypto, DerivedKeys& keys,
                                 MasterPasswordPrompt& prompt) {
  ConfConsContent content;
  const std::uint32_t iterations = KdfIterationsOf(root);
  const std::optional<std::u16string> masterPassword =
      MasterPasswordOf(root, fileName, iterations, keys, prompt);
  ConfConsWalk walk(keys, masterPassword, iterations, content.servers);
  if (!IsTrue(root.AttributeText(u"FullFileEncryption"))) {
    walk.Walk(root);
    return content;
  }
  if (!masterPassword) {
    content.verdict = ConfConsVerdict::Locked;
    return content;
  }
  const std::optional<std::string> inner =
      OpenConfConsSecret(keys, *masterPassword, Trimmed(root.text), iterations);
  const std::optional<XmlElement> nodes =
      inner ? crypto.ParseXmlFragment(*inner) : std::optional<XmlElement>();
  if (!nodes) {
    content.verdict = ConfConsVerdict::NotWellFormed;
    return content;
  }
  walk.Walk(*nodes);
  return content;
}

}  // namespace rdc
