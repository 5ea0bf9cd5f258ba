// Fuzzes the mapping from element trees to servers: trees built from the
// names, attributes and texts of group files and connection lists map without
// fault; every server comes from a "server" or "Node" element, its port is
// port text, its remark's line breaks are CR LF, its group path has no empty
// level and no level with spaces or tabs at its ends, and an unopened
// password is empty; the master password is asked at most once per file.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>

#include "fuzz_support.h"
#include "import/conf_cons_file.h"
#include "import/rdg_file.h"

namespace rdc::fuzz {
namespace {

constexpr const char16_t* kNames[] = {
    u"RDCMan", u"file", u"group", u"server", u"properties", u"name", u"displayName", u"comment",
    u"logonCredentials", u"connectionSettings", u"port", u"userName", u"domain", u"password",
    u"profileName", u"credentialsProfiles", u"credentialsProfile", u"encryptionSettings",
    u"encryptionMethod", u"smartGroup", u"Connections", u"Node"};
constexpr const char16_t* kAttributes[] = {
    u"inherit", u"scope", u"storeAsClearText", u"Name", u"Type", u"Hostname", u"Port",
    u"Username", u"Domain", u"Password", u"Protocol", u"Descr", u"InheritPort",
    u"InheritUsername", u"InheritPassword", u"InheritHostname", u"Protected",
    u"FullFileEncryption", u"KdfIterations"};
constexpr const char16_t* kValues[] = {
    u"FromParent", u"None", u"File", u"Local", u"Custom", u"True", u"true", u"Container",
    u"Connection", u"RDP", u"SSH2", u"3390", u"[server]", u"[display]", u"Certificate",
    u"host:3391", u"[::1]:3392", u"::1", u"a\nb", u"", u"b2s=", u"10"};

std::u16string ConsumeText(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return kValues[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kValues) - 1)];
  const std::string bytes = input.ConsumeRandomLengthString(12);
  return std::u16string(bytes.begin(), bytes.end());
}

XmlElement ConsumeElement(FuzzedDataProvider& input, int depth, int& budget) {
  XmlElement element;
  element.name = kNames[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
  for (int n = input.ConsumeIntegralInRange(0, 3); n > 0; --n)
    element.attributes.emplace_back(
        kAttributes[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kAttributes) - 1)],
        ConsumeText(input));
  if (input.ConsumeBool()) element.text = ConsumeText(input);
  while (depth < 12 && budget > 0 && input.remaining_bytes() > 0 && input.ConsumeBool()) {
    --budget;
    element.children.push_back(ConsumeElement(input, depth + 1, budget));
  }
  return element;
}

int CountNamed(const XmlElement& element, std::u16string_view a, std::u16string_view b) {
  int count = element.name == a || element.name == b ? 1 : 0;
  for (const XmlElement& child : element.children) count += CountNamed(child, a, b);
  return count;
}

class FakeSystem : public DataProtection, public ConfConsCrypto, public MasterPasswordPrompt {
 public:
  int asked = 0;
  std::optional<std::string> Unprotect(std::string_view blob) override {
    if (blob.empty() || blob[0] != 'o') return std::nullopt;
    return std::string(blob.substr(1));
  }
  std::unique_ptr<BlockCipher> DerivedAes256(std::string_view, std::string_view,
                                             std::uint32_t) override {
    return nullptr;
  }
  std::optional<XmlElement> ParseXmlFragment(std::string_view) override { return std::nullopt; }
  std::optional<std::u16string> AskMasterPassword(std::u16string_view) override {
    ++asked;
    return u"typed";
  }
};

void CheckServers(const std::vector<ImportedServer>& servers, int elements) {
  FUZZ_CHECK(static_cast<int>(servers.size()) <= elements);
  for (const ImportedServer& server : servers) {
    FUZZ_CHECK(IsPortText(server.port));
    FUZZ_CHECK(!server.passwordUnopened || server.password.empty());
    for (std::size_t i = 0; i < server.remark.size(); ++i) {
      if (server.remark[i] == u'\n') FUZZ_CHECK(i > 0 && server.remark[i - 1] == u'\r');
      if (server.remark[i] == u'\r') FUZZ_CHECK(i + 1 < server.remark.size() && server.remark[i + 1] == u'\n');
    }
    std::u16string normal;
    AppendGroupLevel(normal, server.group);
    FUZZ_CHECK(normal == server.group);
  }
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace rdc;
  using namespace rdc::fuzz;
  FuzzedDataProvider input(data, size);
  int budget = 200;
  const XmlElement root = ConsumeElement(input, 0, budget);
  FakeSystem system;
  CheckServers(ReadRdgFile(root, system), CountNamed(root, u"server", u"server"));
  DerivedKeys keys(system);
  const ConfConsContent content = ReadConfConsFile(root, u"confCons.xml", system, keys, system);
  CheckServers(content.servers, CountNamed(root, u"Node", u"Node"));
  FUZZ_CHECK(system.asked <= 1);
  return 0;
}
