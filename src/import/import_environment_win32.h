// The import's system side: files, code pages, data protection, the
// system's AES and key derivation, XmlLite. And the one call the windows make.
#pragma once

#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_files.h"

namespace rdc {

// Once `stop` is requested, key derivations (within a few thousand rounds),
// XML reading, file reading and data protection end as failed.
class Win32ImportEnvironment : public ImportEnvironment {
 public:
  explicit Win32ImportEnvironment(std::stop_token stop = {});
  ~Win32ImportEnvironment() override;
  Win32ImportEnvironment(const Win32ImportEnvironment&) = delete;
  Win32ImportEnvironment& operator=(const Win32ImportEnvironment&) = delete;

  std::u16string FromAnsi(std::string_view bytes) override;
  std::optional<std::string> Unprotect(std::string_view blob) override;
  std::unique_ptr<BlockCipher> DerivedAes256(std::string_view password, std::string_view salt,
                                             std::uint32_t iterations) override;
  std::optional<XmlElement> ParseXmlFragment(std::string_view utf8) override;
  FileBytes ReadWholeFile(const std::u16string& path) override;
  std::optional<XmlElement> ParseXmlDocument(std::string_view bytes) override;
  std::optional<std::string> ToGbk(std::u16string_view text) override;

 private:
  struct Providers;
  std::stop_token stop_;
  std::unique_ptr<Providers> providers_;  // opened on first use, kept for the import
};

// AES of the system (CNG, ECB) under `key` (16, 24 or 32 bytes); nullptr
// when the system refuses it.
std::unique_ptr<BlockCipher> SystemAes(std::string_view key);

// PBKDF2-HMAC-SHA1 over the system's HMAC: `size` bytes; nothing when it
// fails or `stop` is requested before the end.
std::optional<std::string> SystemPbkdf2Sha1(std::string_view password, std::string_view salt,
                                            std::uint32_t iterations, std::size_t size,
                                            std::stop_token stop = {});

// Imports the files at `paths` (as a drop, the command line or the open-file
// dialog gives them) against the list `existing`; `prompt` is asked for the
// master password of a connection list that needs one. Reads only: the
// caller appends `added` to the list, saves it and shows the summary. Once
// `stop` is requested the import ends soon, with an empty outcome.
ImportOutcome ImportServerFiles(const std::vector<std::wstring>& paths, const ServerList& existing,
                                MasterPasswordPrompt& prompt, std::stop_token stop = {});

}  // namespace rdc
