// The Windows calls behind an import, a few lines each.
#include "import/import_environment_win32.h"

#include <windows.h>
// <bcrypt.h> and <wincrypt.h> build on <windows.h>.
#include <bcrypt.h>
#include <wincrypt.h>

#include "import/xml_reader_win32.h"
#include "os/owners_win32.h"
#include "text/text_win32.h"

namespace rdc {
namespace {

constexpr std::size_t kAes256KeySize = 32;

std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

UCHAR* Bytes(std::string& text) {
  return reinterpret_cast<UCHAR*>(text.data());
}

UCHAR* Bytes(std::string_view text) {
  // The system's prototypes take non-const pointers to input they only read.
  return reinterpret_cast<UCHAR*>(const_cast<char*>(text.data()));
}

UniqueCryptoAlgorithm OpenAlgorithm(const wchar_t* name, ULONG flags) {
  UniqueCryptoAlgorithm algorithm;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.receive(), name, nullptr, flags)))
    algorithm.reset();
  return algorithm;
}

UniqueCryptoAlgorithm OpenAesEcb() {
  UniqueCryptoAlgorithm aes = OpenAlgorithm(BCRYPT_AES_ALGORITHM, 0);
  if (aes && !BCRYPT_SUCCESS(BCryptSetProperty(
                 aes.get(), BCRYPT_CHAINING_MODE,
                 reinterpret_cast<UCHAR*>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                 sizeof(BCRYPT_CHAIN_MODE_ECB), 0)))
    aes.reset();
  return aes;
}

// One AES key; it keeps the provider it was made by open.
class CngAes : public BlockCipher {
 public:
  CngAes(std::shared_ptr<UniqueCryptoAlgorithm> provider, UniqueCryptoKey key)
      : provider_(std::move(provider)), key_(std::move(key)) {}

  bool EncryptBlocks(std::string& blocks) override {
    std::string output(blocks.size(), '\0');
    const auto size = static_cast<ULONG>(blocks.size());
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(BCryptEncrypt(key_.get(), Bytes(blocks), size, nullptr, nullptr, 0,
                                      Bytes(output), size, &written, 0)) ||
        written != size)
      return false;
    blocks = std::move(output);
    return true;
  }

 private:
  std::shared_ptr<UniqueCryptoAlgorithm> provider_;
  UniqueCryptoKey key_;
};

std::unique_ptr<BlockCipher> AesUnder(const std::shared_ptr<UniqueCryptoAlgorithm>& provider,
                                      std::string_view key) {
  if (!provider || !*provider || (key.size() != 16 && key.size() != 24 && key.size() != 32))
    return nullptr;
  UniqueCryptoKey handle;
  if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(provider->get(), handle.receive(), nullptr, 0,
                                                 Bytes(key), static_cast<ULONG>(key.size()), 0)))
    return nullptr;
  return std::make_unique<CngAes>(provider, std::move(handle));
}

std::optional<std::string> Pbkdf2Under(BCRYPT_ALG_HANDLE hmac, std::string_view password,
                                       std::string_view salt, std::uint32_t iterations,
                                       std::size_t size) {
  std::string key(size, '\0');
  if (hmac == nullptr ||
      !BCRYPT_SUCCESS(BCryptDeriveKeyPBKDF2(hmac, Bytes(password), static_cast<ULONG>(password.size()),
                                            Bytes(salt), static_cast<ULONG>(salt.size()), iterations,
                                            Bytes(key), static_cast<ULONG>(size), 0)))
    return std::nullopt;
  return key;
}

}  // namespace

struct Win32ImportEnvironment::Providers {
  // Wine's data protection acquires a provider of the older interface on every
  // call and loads its DLL each time; one held open for the import keeps it
  // loaded (about four times faster per password, measured under Wine 8).
  UniqueCryptoProvider keepLoaded = [] {
    UniqueCryptoProvider provider;
    if (!CryptAcquireContextW(provider.receive(), nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT))
      provider.reset();  // only slower without it
    return provider;
  }();
  std::shared_ptr<UniqueCryptoAlgorithm> aes =
      std::make_shared<UniqueCryptoAlgorithm>(OpenAesEcb());
  UniqueCryptoAlgorithm hmacSha1 =
      OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
};

Win32ImportEnvironment::Win32ImportEnvironment() = default;
Win32ImportEnvironment::~Win32ImportEnvironment() = default;

std::u16string Win32ImportEnvironment::FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), units);
  return std::u16string(wide.begin(), wide.end());
}

std::optional<std::string> Win32ImportEnvironment::Unprotect(std::string_view blob) {
  if (!providers_) providers_ = std::make_unique<Providers>();
  DATA_BLOB input{static_cast<DWORD>(blob.size()), Bytes(blob)};
  DATA_BLOB output{0, nullptr};
  if (!CryptUnprotectData(&input, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &output))
    return std::nullopt;
  const LocalMemory<BYTE*> owned(output.pbData);
  return std::string(reinterpret_cast<const char*>(output.pbData), output.cbData);
}

std::unique_ptr<BlockCipher> Win32ImportEnvironment::DerivedAes256(std::string_view password,
                                                                   std::string_view salt,
                                                                   std::uint32_t iterations) {
  if (!providers_) providers_ = std::make_unique<Providers>();
  const std::optional<std::string> key =
      Pbkdf2Under(providers_->hmacSha1.get(), password, salt, iterations, kAes256KeySize);
  return key ? AesUnder(providers_->aes, *key) : nullptr;
}

std::optional<XmlElement> Win32ImportEnvironment::ParseXmlFragment(std::string_view utf8) {
  return rdc::ParseXmlFragment(utf8);
}

std::optional<XmlElement> Win32ImportEnvironment::ParseXmlDocument(std::string_view bytes) {
  return rdc::ParseXmlDocument(bytes);
}

std::optional<std::string> Win32ImportEnvironment::ReadWholeFile(const std::u16string& path) {
  const UniqueHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<std::uint64_t>(size.QuadPart) > kMaxImportFileSize)
    return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return std::nullopt;
    if (read == 0) break;  // the file shrank while being read
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

std::optional<std::string> Win32ImportEnvironment::ToGbk(std::u16string_view text) {
  if (text.empty()) return std::string();
  const std::wstring wide = Wide(text);
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  const int bytes = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                                        nullptr, 0, nullptr, &usedDefault);
  if (bytes <= 0 || usedDefault) return std::nullopt;
  std::string gbk(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, gbk.data(), bytes,
                      nullptr, nullptr);
  // A character the code page maps to another one would not read back the same.
  if (WideFromGbk(gbk) != wide) return std::nullopt;
  return gbk;
}

std::unique_ptr<BlockCipher> SystemAes(std::string_view key) {
  return AesUnder(std::make_shared<UniqueCryptoAlgorithm>(OpenAesEcb()), key);
}

std::optional<std::string> SystemPbkdf2Sha1(std::string_view password, std::string_view salt,
                                            std::uint32_t iterations, std::size_t size) {
  const UniqueCryptoAlgorithm hmac = OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  return Pbkdf2Under(hmac.get(), password, salt, iterations, size);
}

ImportOutcome ImportServerFiles(const std::vector<std::wstring>& paths, const ServerList& existing,
                                MasterPasswordPrompt& prompt) {
  std::vector<std::u16string> files;
  files.reserve(paths.size());
  for (const std::wstring& path : paths) files.emplace_back(path.begin(), path.end());
  Win32ImportEnvironment environment;
  return ImportFiles(files, existing, environment, prompt);
}

}  // namespace rdc
