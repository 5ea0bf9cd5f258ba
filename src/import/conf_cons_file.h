// Connection lists ("confCons.xml") of a multi-protocol connection manager:
// root "Connections" (with or without its namespace), "Node" elements that
// are containers or connections, passwords sealed with AES-256-GCM under a
// key derived from the file's master password.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/gcm.h"
#include "import/imported_server.h"
#include "import/xml_element.h"

namespace rdc {

// The master password such files carry when the user set none.
inline constexpr std::u16string_view kDefaultMasterPassword = u"mR3m";
inline constexpr std::uint32_t kDefaultKdfIterations = 1000;
// More rounds than this are taken for a damaged file, not waited for.
inline constexpr std::uint32_t kMaxKdfIterations = 10'000'000;
// A sealed secret is base64 of the salt, the nonce, the ciphertext and the tag.
inline constexpr std::size_t kConfConsSaltSize = 16;
inline constexpr std::size_t kConfConsNonceSize = 16;

// What opening such a file needs from the system.
class ConfConsCrypto {
 public:
  virtual ~ConfConsCrypto() = default;
  // AES-256 under the key PBKDF2-HMAC-SHA1 derives from `password` (UTF-8)
  // over `salt` in `iterations` rounds; nullptr when the system fails.
  virtual std::unique_ptr<BlockCipher> DerivedAes256(std::string_view password,
                                                     std::string_view salt,
                                                     std::uint32_t iterations) = 0;
  // The elements of an XML fragment (any number of top-level elements) as
  // the children of a nameless element; nothing when it is not well-formed.
  virtual std::optional<XmlElement> ParseXmlFragment(std::string_view utf8) = 0;
};

// Asks the user for a file's master password; the caller implements it.
class MasterPasswordPrompt {
 public:
  virtual ~MasterPasswordPrompt() = default;
  // The password typed for the file named `fileName` (bare name); nothing
  // when the user cancels.
  virtual std::optional<std::u16string> AskMasterPassword(std::u16string_view fileName) = 0;
};

// The keys of one import, each distinct (password, salt, rounds) derived
// once: the nodes that take a container's password share its salt, and a
// derivation may take 10,000,000 rounds.
class DerivedKeys {
 public:
  explicit DerivedKeys(ConfConsCrypto& crypto) : crypto_(crypto) {}
  // The key of DerivedAes256; nullptr when the system failed (kept as well).
  BlockCipher* Aes256(std::string_view password, std::string_view salt, std::uint32_t iterations);

 private:
  ConfConsCrypto& crypto_;
  std::map<std::string, std::unique_ptr<BlockCipher>, std::less<>> keys_;
};

// The bytes sealed in `sealed`; nothing when it does not open with `password`.
std::optional<std::string> OpenConfConsSecret(DerivedKeys& keys, std::u16string_view password,
                                              std::u16string_view sealed,
                                              std::uint32_t iterations);

enum class ConfConsVerdict {
  Servers,
  Locked,         // the whole file is sealed and the master password was not given
  NotWellFormed,  // the whole file is sealed and its content is damaged
};

struct ConfConsContent {
  ConfConsVerdict verdict = ConfConsVerdict::Servers;
  std::vector<ImportedServer> servers;
};

// The RDP connections of the file whose root element is `root`
// ("Connections"), in document order. Hostname (whose own ":port" wins over
// Port), Port, Username, Domain, Password and Protocol are each taken from
// the container above when the node's Inherit... flag is "true". When the
// root's Protected value does not open with the default master password,
// `prompt` is asked once; without the right password the passwords are left
// empty, or, when the whole file is sealed, the file is Locked.
// `keys` derives through `crypto`.
ConfConsContent ReadConfConsFile(const XmlElement& root, std::u16string_view fileName,
                                 ConfConsCrypto& crypto, DerivedKeys& keys,
                                 MasterPasswordPrompt& prompt);

}  // namespace rdc
