// A system for import tests: files in memory, Latin-1 as the ANSI code page,
// a stand-in for data protection and for AES, a few Chinese characters in
// GBK, and a reader of the simple XML the tests write.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "import/gcm.h"
#include "import/import_files.h"

namespace rdc::test {

// Texts the stand-in for data protection opens: this prefix, then the bytes.
inline constexpr std::string_view kFakeSealPrefix = "sealed-for-this-user:";

// The blob a password of a connection or group file would have (UTF-16 LE and
// a NUL, as the system's client writes it).
std::string FakeProtectedPassword(std::u16string_view password);

// The GBK text of the characters FakeImportEnvironment::ToGbk knows as UTF-16.
std::u16string FakeFromGbk(std::string_view gbk);

std::string HexOf(std::string_view bytes);
std::u16string Base64Of(std::string_view bytes);

// A keyed permutation-free block function: enough for GCM, which only
// encrypts; different keys give different blocks.
class ToyCipher : public BlockCipher {
 public:
  explicit ToyCipher(std::string key) : key_(std::move(key)) {}
  bool EncryptBlocks(std::string& blocks) override;

 private:
  std::string key_;
};

class FakeImportEnvironment : public ImportEnvironment {
 public:
  std::map<std::u16string, std::string> files;
  std::set<std::u16string> tooLarge;  // files larger than the import reads
  // Called with each path read, before it is read (it may throw).
  std::function<void(const std::u16string&)> whenRead;
  int keysDerived = 0;

  std::u16string FromAnsi(std::string_view bytes) override;
  std::optional<std::string> Unprotect(std::string_view blob) override;
  std::unique_ptr<BlockCipher> DerivedAes256(std::string_view password, std::string_view salt,
                                             std::uint32_t iterations) override;
  std::optional<XmlElement> ParseXmlFragment(std::string_view utf8) override;
  FileBytes ReadWholeFile(const std::u16string& path) override;
  std::optional<XmlElement> ParseXmlDocument(std::string_view bytes) override;
  // ASCII and the characters the tests use; nothing for any other.
  std::optional<std::string> ToGbk(std::u16string_view text) override;
};

// A connection-list secret as the other program seals it: base64 of salt,
// nonce, ciphertext and tag, under the fake key derivation.
std::u16string SealConfConsSecret(FakeImportEnvironment& environment, std::u16string_view password,
                                  std::string_view plaintext, std::uint32_t iterations = 1000,
                                  char seed = 's');

// Answers the master-password prompt from a list, recording the file names asked for.
class ScriptedPrompt : public MasterPasswordPrompt {
 public:
  std::vector<std::optional<std::u16string>> answers;
  std::vector<std::u16string> asked;
  std::optional<std::u16string> AskMasterPassword(std::u16string_view fileName) override {
    asked.emplace_back(fileName);
    if (answers.empty()) return std::nullopt;
    std::optional<std::u16string> answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
};

}  // namespace rdc::test
