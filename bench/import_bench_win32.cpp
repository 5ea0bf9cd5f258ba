// Figures of an import of a group file with 10,000 servers, each with its own
// password sealed by the system's data protection, beside its floor: a bare
// XmlLite pass over the same file and the 10,000 unprotect calls alone. And
// the same file with its passwords in clear text, beside the bare XmlLite pass.
// And one group of 100,000 servers whose settings follow them, beside the bare
// XmlLite pass; a connection list of 1,000 nodes that take their container's
// password under 1,000,000 rounds, beside two derivations of the system's own
// PBKDF2 (the file's check and the password). And the real program's end
// after its window is closed while it derives a key of 10,000,000 rounds,
// beside its end when closed idle.
#include <windows.h>
// <objbase.h>, <shlwapi.h>, <wincrypt.h> and <xmllite.h> build on <windows.h>.
#include <objbase.h>
#include <shlwapi.h>
#include <wincrypt.h>
#include <xmllite.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <bcrypt.h>

#include "bench_support_win32.h"
#include "driver_win32.h"
#include "import/gcm.h"
#include "import/import_environment_win32.h"
#include "import/xml_reader_win32.h"
#include "os/owners_win32.h"
#include "test_files_win32.h"

namespace {

using rdc::bench::Median;

using Clock = std::chrono::steady_clock;
constexpr int kServers = 10000;
constexpr int kServersPerGroup = 100;
constexpr int kRuns = 5;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string ProtectedPassword(const std::wstring& password) {
  DATA_BLOB input{static_cast<DWORD>(password.size() * sizeof(wchar_t)),
                  reinterpret_cast<BYTE*>(const_cast<wchar_t*>(password.data()))};
  DATA_BLOB output{0, nullptr};
  if (!CryptProtectData(&input, L"", nullptr, nullptr, nullptr, 0, &output)) return {};
  const rdc::LocalMemory<BYTE*> owned(output.pbData);
  return std::string(reinterpret_cast<const char*>(output.pbData), output.cbData);
}

std::string Base64(const std::string& bytes) {
  DWORD size = 0;
  const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, nullptr, &size);
  std::string text(size, '\0');
  CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, text.data(), &size);
  text.resize(size);
  return text;
}

// A schema-3 group file; the blobs are kept for the floor. With `clearText`,
// the passwords are stored as they are.
std::string GroupFile(std::vector<std::string>& blobs, bool clearText) {
  std::string file =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RDCMan programVersion=\"2.93\" "
      "schemaVersion=\"3\">\r\n<file>\r\n<properties><name>bench</name></properties>\r\n"
      "<connectionSettings inherit=\"None\"><port>3390</port></connectionSettings>\r\n";
  for (int n = 0; n < kServers; ++n) {
    if (n % kServersPerGroup == 0) {
      if (n > 0) file += "</group>\r\n";
      file += "<group><properties><name>group " + std::to_string(n / kServersPerGroup) +
              "</name></properties>\r\n";
    }
    blobs.push_back(ProtectedPassword(L"password " + std::to_wstring(n)));
    // Loopback addresses only: nothing here reaches a network.
    file +=
        "<server><properties><displayName>server " + std::to_string(n) +
        "</displayName><name>127." + std::to_string(n / 256 % 256) + "." + std::to_string(n % 256) +
        ".1</name><comment>rack " + std::to_string(n % 40) +
        "</comment></properties><logonCredentials inherit=\"None\"><profileName scope=\"Local\">"
        "Custom</profileName><userName>admin" +
        std::to_string(n) + "</userName>" +
        (clearText ? "<password storeAsClearText=\"True\">password " + std::to_string(n)
                   : "<password>" + Base64(blobs.back())) +
        "</password><domain>CORP</domain></logonCredentials></server>\r\n";
  }
  return file + "</group>\r\n</file>\r\n</RDCMan>\r\n";
}

// Every node of the document read by XmlLite, nothing kept: the floor of any
// reading of the file through it.
bool BareXmlLitePass(const std::string& bytes) {
  rdc::ComPointer<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                                    static_cast<UINT>(bytes.size())));
  rdc::ComPointer<IXmlReader> reader;
  if (!stream ||
      FAILED(CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.receive()),
                             nullptr)) ||
      FAILED(reader.get()->SetInput(stream.get())))
    return false;
  XmlNodeType type;
  HRESULT read;
  std::size_t characters = 0;
  while ((read = reader.get()->Read(&type)) == S_OK) {
    const WCHAR* text = nullptr;
    UINT length = 0;
    reader.get()->GetLocalName(&text, &length);
    characters += length;
    for (HRESULT moved = reader.get()->MoveToFirstAttribute(); moved == S_OK;
         moved = reader.get()->MoveToNextAttribute()) {
      reader.get()->GetValue(&text, &length);
      characters += length;
    }
    reader.get()->GetValue(&text, &length);
    characters += length;
  }
  return read == S_FALSE && characters > 0;
}

// One group of `servers` servers, its settings after them: the shape that
// made a look-up scan every sibling for every server.
std::string OneLargeGroup(int servers) {
  std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RDCMan schemaVersion=\"3\">"
                     "<file><group><properties><name>all</name></properties>\r\n";
  for (int n = 0; n < servers; ++n)
    file += "<server><properties><name>127." + std::to_string(n / 65536 % 256) + "." +
            std::to_string(n / 256 % 256) + "." + std::to_string(n % 256) +
            "</name></properties></server>\r\n";
  return file +
         "<connectionSettings inherit=\"None\"><port>3390</port></connectionSettings>"
         "<logonCredentials inherit=\"None\"><userName>ops</userName></logonCredentials>"
         "</group></file></RDCMan>\r\n";
}

// The system's own PBKDF2 in one call: the floor of a derivation.
std::string BarePbkdf2(std::string_view password, std::string_view salt, ULONG rounds) {
  BCRYPT_ALG_HANDLE hmac = nullptr;
  std::string key(32, '\0');
  if (BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&hmac, BCRYPT_SHA1_ALGORITHM, nullptr,
                                                 BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
    BCryptDeriveKeyPBKDF2(hmac, reinterpret_cast<UCHAR*>(const_cast<char*>(password.data())),
                          static_cast<ULONG>(password.size()),
                          reinterpret_cast<UCHAR*>(const_cast<char*>(salt.data())),
                          static_cast<ULONG>(salt.size()), rounds,
                          reinterpret_cast<UCHAR*>(key.data()), 32, 0);
    BCryptCloseAlgorithmProvider(hmac, 0);
  }
  return key;
}

// A connection-list secret under the default master password.
std::string Sealed(std::string_view plaintext, char seed, std::uint32_t rounds) {
  const std::string salt(16, seed);
  const std::string nonce(16, static_cast<char>(seed + 1));
  const std::unique_ptr<rdc::BlockCipher> aes =
      rdc::SystemAes(BarePbkdf2("mR3m", salt, rounds));
  if (!aes) return {};
  return Base64(salt + nonce + rdc::GcmEncrypt(*aes, nonce, salt, plaintext).value_or(""));
}

std::string InheritingNodes(int nodes, std::uint32_t rounds) {
  std::string file = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Connections KdfIterations=\"" +
                     std::to_string(rounds) + "\" Protected=\"" +
                     Sealed("ThisIsNotProtected", 'p', rounds) +
                     "\"><Node Type=\"Container\" Name=\"all\" Password=\"" +
                     Sealed("shared password", 'a', rounds) + "\">\r\n";
  for (int n = 0; n < nodes; ++n)
    file += "<Node Type=\"Connection\" Hostname=\"127.1." + std::to_string(n / 256) + "." +
            std::to_string(n % 256) + "\" Protocol=\"RDP\" InheritPassword=\"true\"/>\r\n";
  return file + "</Node></Connections>\r\n";
}

// From WM_CLOSE to the end of the real program, in ms; -1 when it did not
// start or end. With `importing`, it is started to import that connection list.
double CloseToExitMs(const std::string* importing) {
  rdc::e2e::AppUnderTest app;
  std::wstring arguments;
  if (!app.WriteConfig("127.0.0.1|3389|admin||office\r\n#Start:0\r\n#LoadinPass:<>\r\n")) return -1;
  if (importing != nullptr) {
    if (!rdc::test::WriteBytes(app.workingFolder().File(L"confCons.xml"), *importing)) return -1;
    arguments = L"confCons.xml";
  }
  if (!app.Start(arguments)) return -1;
  HWND main = app.WaitForMainWindow();
  if (main == nullptr) return -1;
  Sleep(500);  // the import is well into its derivation
  const auto start = Clock::now();
  PostMessageW(main, WM_CLOSE, 0, 0);
  if (!app.WaitForExit()) return -1;
  return MillisecondsSince(start);
}

class NoPrompt : public rdc::MasterPasswordPrompt {
 public:
  std::optional<std::u16string> AskMasterPassword(std::u16string_view) override {
    return std::nullopt;
  }
};

struct Figures {
  double import = 0, floor = 0, xmlLite = 0, unprotect = 0;
  std::size_t added = 0, emptyPasswords = 0;
};

Figures Measure(const std::wstring& path, const std::vector<std::string>& blobs, bool sealed) {
  std::vector<double> import, xmlLite, unprotect;
  Figures figures;
  for (int run = 0; run < kRuns; ++run) {
    NoPrompt prompt;
    auto start = Clock::now();
    const rdc::ImportOutcome outcome = rdc::ImportServerFiles({path}, {}, prompt);
    import.push_back(MillisecondsSince(start));
    figures.added = outcome.added.size();
    figures.emptyPasswords = static_cast<std::size_t>(outcome.passwordsLeftEmpty);

    start = Clock::now();
    if (!BareXmlLitePass(rdc::test::ReadBytes(path))) std::printf("XmlLite pass failed\n");
    xmlLite.push_back(MillisecondsSince(start));

    rdc::Win32ImportEnvironment environment;
    start = Clock::now();
    if (sealed)
      for (const std::string& blob : blobs)
        if (!environment.Unprotect(blob)) std::printf("unprotect failed\n");
    unprotect.push_back(MillisecondsSince(start));
  }
  figures.import = Median(import);
  figures.xmlLite = Median(xmlLite);
  figures.unprotect = Median(unprotect);
  figures.floor = figures.xmlLite + figures.unprotect;
  return figures;
}

}  // namespace

int wmain() {
  std::vector<std::string> blobs;
  const std::string sealedFile = GroupFile(blobs, false);
  std::vector<std::string> unused;
  const std::string clearFile = GroupFile(unused, true);
  rdc::test::TestFolder folder(L"import-bench");
  if (!rdc::test::WriteBytes(folder.File(L"sealed.rdg"), sealedFile) ||
      !rdc::test::WriteBytes(folder.File(L"clear.rdg"), clearFile))
    return 1;

  std::printf("medians of %d runs; group files of %d servers in %d groups, %.1f MB\n", kRuns,
              kServers, kServers / kServersPerGroup, static_cast<double>(sealedFile.size()) / 1048576.0);
  const Figures sealed = Measure(folder.File(L"sealed.rdg"), blobs, true);
  std::printf(
      "import, passwords sealed for this user: %.0f ms (goal <= 1500 ms), %zu added, %zu "
      "passwords left empty; floor: bare XmlLite pass %.0f ms + %d unprotect calls %.0f ms = "
      "%.0f ms; ratio %.2fx\n",
      sealed.import, sealed.added, sealed.emptyPasswords, sealed.xmlLite, kServers,
      sealed.unprotect, sealed.floor, sealed.import / sealed.floor);
  std::fflush(stdout);
  const Figures clear = Measure(folder.File(L"clear.rdg"), blobs, false);
  std::printf(
      "import, passwords in clear text: %.0f ms, %zu added; floor: bare XmlLite pass %.0f ms; "
      "ratio %.2fx\n",
      clear.import, clear.added, clear.xmlLite, clear.import / clear.xmlLite);
  std::fflush(stdout);

  constexpr int kLargeGroup = 100000;
  if (!rdc::test::WriteBytes(folder.File(L"large.rdg"), OneLargeGroup(kLargeGroup))) return 1;
  const Figures large = Measure(folder.File(L"large.rdg"), {}, false);
  std::printf(
      "import, one group of %d servers, its settings after them: %.0f ms, %zu added; floor: "
      "bare XmlLite pass %.0f ms; ratio %.2fx\n",
      kLargeGroup, large.import, large.added, large.xmlLite, large.import / large.xmlLite);
  std::fflush(stdout);

  constexpr int kNodes = 1000;
  constexpr std::uint32_t kRounds = 1000000;
  if (!rdc::test::WriteBytes(folder.File(L"confCons.xml"), InheritingNodes(kNodes, kRounds))) return 1;
  NoPrompt prompt;
  auto start = Clock::now();
  const rdc::ImportOutcome inheriting = rdc::ImportServerFiles({folder.File(L"confCons.xml")}, {}, prompt);
  const double inheritingMs = MillisecondsSince(start);
  start = Clock::now();
  BarePbkdf2("mR3m", std::string(16, 'p'), kRounds);
  BarePbkdf2("mR3m", std::string(16, 'a'), kRounds);
  const double derivationsMs = MillisecondsSince(start);
  const bool opened = inheriting.added.size() == kNodes && inheriting.passwordsLeftEmpty == 0;
  std::printf(
      "import, %d nodes taking their container's password, %u rounds: %.0f ms, %zu added, "
      "%d passwords left empty; floor: 2 derivations of the system's PBKDF2 %.0f ms; ratio %.2fx\n",
      kNodes, kRounds, inheritingMs, inheriting.added.size(), inheriting.passwordsLeftEmpty,
      derivationsMs, inheritingMs / derivationsMs);

  std::fflush(stdout);

  // Salt, nonce and tag of zeros: the check of the master password derives its key first.
  const std::string longImport = "<Connections KdfIterations=\"" +
                                 std::to_string(rdc::kMaxKdfIterations) + "\" Protected=\"" +
                                 std::string(64, 'A') + "\"><Node Hostname=\"127.0.0.9\"/></Connections>";
  std::vector<double> importing, idle;
  for (int run = 0; run < kRuns; ++run) {
    importing.push_back(CloseToExitMs(&longImport));
    idle.push_back(CloseToExitMs(nullptr));
  }
  const double importingMs = Median(importing), idleMs = Median(idle);
  std::printf(
      "the program's end after its close, an import deriving a key of %u rounds: %.0f ms (goal "
      "<= 2000 ms, longest %.0f ms); floor: the end after the close of an idle program %.0f ms\n",
      rdc::kMaxKdfIterations, importingMs, *std::max_element(importing.begin(), importing.end()),
      idleMs);

  const bool ended = *std::min_element(importing.begin(), importing.end()) >= 0 &&
                     *std::min_element(idle.begin(), idle.end()) >= 0;
  const bool complete = sealed.added == kServers && sealed.emptyPasswords == 0 &&
                        clear.added == kServers && large.added == kLargeGroup && opened && ended;
  return complete ? 0 : 1;
}
