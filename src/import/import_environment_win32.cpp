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
constexpr ULONG kSha1Size = 20;

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

// PBKDF2-HMAC-SHA1 (RFC 8018) round by round over the system's HMAC, so that
// a stop is seen within a few thousand of the up to ten million rounds.
std::optional<std::string> Pbkdf2Under(BCRYPT_ALG_HANDLE hmac, std::string_view password,
                                       std::string_view salt, std::uint32_t iterations,
                                       std::size_t size, const std::stop_token& stop) {
  constexpr std::uint32_t kRoundsPerLook = 4096;
  UniqueCryptoHash hash;
  if (hmac == nullptr || iterations == 0 ||
      !BCRYPT_SUCCESS(BCryptCreateHash(hmac, hash.receive(), nullptr, 0, Bytes(password),
                                       static_cast<ULONG>(password.size()),
                                       BCRYPT_HASH_REUSABLE_FLAG)))
    return std::nullopt;
  const auto mac = [&hash](std::string_view input, std::string& output) {
    return BCRYPT_SUCCESS(BCryptHashData(hash.get(), Bytes(input), static_cast<ULONG>(input.size()), 0)) &&
           BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), Bytes(output), kSha1Size, 0));
  };
  std::string key;
  for (std::uint32_t block = 1; key.size() < size; ++block) {
    const char index[4] = {static_cast<char>(block >> 24), static_cast<char>(block >> 16),
                           static_cast<char>(block >> 8), static_cast<char>(block)};
    if (stop.stop_requested()) return std::nullopt;
    std::string round(kSha1Size, '\0');
    if (!mac(std::string(salt) + std::string(index, sizeof index), round)) return std::nullopt;
    std::string sum = round;
    for (std::uint32_t n = 1; n < iterations; ++n) {
      if (n % kRoundsPerLook == 0 && stop.stop_requested()) return std::nullopt;
      if (!mac(round, round)) return std::nullopt;
      for (std::size_t i = 0; i < kSha1Size; ++i) sum[i] = static_cast<char>(sum[i] ^ round[i]);
    }
    key += sum;
  }
  key.resize(size);
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

Win32ImportEnvironment::Win32ImportEnvironment(std::stop_token stop) : stop_(std::move(stop)) {}
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
  if (stop_.stop_requested()) return std::nullopt;
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
      Pbkdf2Under(providers_->hmacSha1.get(), password, salt, iterations, kAes256KeySize, stop_);
  return key ? AesUnder(providers_->aes, *key) : nullptr;
}

std::optional<XmlElement> Win32ImportEnvironment::ParseXmlFragment(std::string_view utf8) {
  return rdc::ParseXmlFragment(utf8, stop_);
}

std::optional<XmlElement> Win32ImportEnvironment::ParseXmlDocument(std::string_view bytes) {
  return rdc::ParseXmlDocument(bytes, stop_);
}

FileBytes Win32ImportEnvironment::ReadWholeFile(const std::u16string& path) {
  const UniqueHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return {};
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaxImportFileSize) return {std::nullopt, true};
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (stop_.stop_requested()) return {};
    DWORD read = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return {};
    if (read == 0) break;  // the file shrank while being read
    done += read;
  }
  bytes.resize(done);
  return {std::move(bytes)};
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
                                            std::uint32_t iterations, std::size_t size,
                                            std::stop_token stop) {
  const UniqueCryptoAlgorithm hmac = OpenAlgorithm(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  return Pbkdf2Under(hmac.get(), password, salt, iterations, size, stop);
}

ImportOutcome ImportServerFiles(const std::vector<std::wstring>& paths, const ServerList& existing,
                                MasterPasswordPrompt& prompt, std::stop_token stop) {
  std::vector<std::u16string> files;
  files.reserve(paths.size());
  for (const std::wstring& path : paths) files.emplace_back(path.begin(), path.end());
  Win32ImportEnvironment environment(stop);
  return ImportFiles(files, existing, environment, prompt, stop);
}

}  // namespace rdc
