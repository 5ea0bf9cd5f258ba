// The import against the system itself: GCM over the system's AES with the
// published test vectors, the system's key derivation, XmlLite, a real data
// protection round trip through a connection file and a group file, and a
// connection list sealed by the test through the same primitives.
#include "import/import_environment_win32.h"

// <wincrypt.h> needs <windows.h>, which the test files header includes first.
#include "test_files_win32.h"
#include <gtest/gtest.h>
#include <wincrypt.h>

#include <stop_token>
#include <string>

#include "import/gcm.h"
#include "import/import_text.h"
#include "import/xml_reader_win32.h"
#include "os/owners_win32.h"

namespace rdc {
namespace {

std::string Bytes(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

std::string Hex(std::string_view bytes) {
  std::string hex;
  for (const char byte : bytes) {
    hex += "0123456789abcdef"[static_cast<unsigned char>(byte) >> 4];
    hex += "0123456789abcdef"[byte & 0x0F];
  }
  return hex;
}

std::string Utf8(std::wstring_view text) {
  return Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

// The text with a byte-order mark, as UTF-16 LE.
std::string Utf16File(std::wstring_view text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string Base64(std::string_view bytes) {
  DWORD size = 0;
  const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, nullptr, &size);
  std::string text(size, '\0');
  CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, text.data(), &size);
  text.resize(size);
  return text;
}

// The blob the system's data protection seals `password` into for this user,
// as the remote desktop client and the group-file program store it (UTF-16 LE).
std::string ProtectedPassword(std::wstring_view password) {
  DATA_BLOB input{static_cast<DWORD>(password.size() * sizeof(wchar_t)),
                  reinterpret_cast<BYTE*>(const_cast<wchar_t*>(password.data()))};
  DATA_BLOB output{0, nullptr};
  if (!CryptProtectData(&input, L"psw", nullptr, nullptr, nullptr, 0, &output)) return {};
  const LocalMemory<BYTE*> owned(output.pbData);
  return std::string(reinterpret_cast<const char*>(output.pbData), output.cbData);
}

TEST(SystemGcmTest, PublishedVectorsWithNoncesOf60And12Bytes) {
  struct Case {
    const char* name;
    std::string_view key, iv, sealed;
  };
  constexpr std::string_view kA = "feedfacedeadbeeffeedfacedeadbeefabaddad2";
  constexpr std::string_view kPlain =
      "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e24"
      "49a6b525b16aedf5aa0de657ba637b39";
  constexpr std::string_view kLongIv =
      "9313225df88406e555909c5aff5269aa6a7a9538534f7da1e4c303d2a318a728c3c0c95156809539fcf0e242"
      "9a6b525416aedbf5a0de6a57a637b39b";
  const Case cases[] = {
      {"4", "feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888",
       "42831ec2217774244b7221b784d0d49ce3aa212f2c02a4e035c17e2329aca12e21d514b25466931c7d8f6a5a"
       "ac84aa051ba30b396a0aac973d58e0915bc94fbc3221a5db94fae95ae7121a47"},
      {"6", "feffe9928665731c6d6a8f9467308308", kLongIv,
       "8ce24998625615b603a033aca13fb894be9112a5c3a211a8ba262a3cca7e2ca701e4a9a4fba43c90ccdcb281"
       "d48c7c6fd62875d2aca417034c34aee5619cc5aefffe0bfa462af43c1699d050"},
      {"12", "feffe9928665731c6d6a8f9467308308feffe9928665731c", kLongIv,
       "d27e88681ce3243c4830165a8fdcf9ff1de9a1d8e6b447ef6ef7b79828666e4581e79012af34ddd9e2f03758"
       "9b292db3e67c036745fa22e7e9b7373bdcf566ff291c25bbb8568fc3d376a6d9"},
      {"18", "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", kLongIv,
       "5a8def2f0c9e53f1f75d7853659e2a20eeb2b22aafde6419a058ab4f6f746bf40fc0c3b780f244452da3ebf1"
       "c5d82cdea2418997200ef82e44ae7e3fa44a8266ee1c8eb0c8b5d4cf5ae9f19a"},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<BlockCipher> aes = SystemAes(Bytes(c.key));
    ASSERT_TRUE(aes) << "test case " << c.name;
    EXPECT_EQ(Hex(GcmDecrypt(*aes, Bytes(c.iv), Bytes(kA), Bytes(c.sealed)).value_or("none")),
              kPlain)
        << "test case " << c.name;
    EXPECT_EQ(Hex(GcmEncrypt(*aes, Bytes(c.iv), Bytes(kA), Bytes(kPlain)).value_or("none")),
              c.sealed)
        << "test case " << c.name;
  }
}

TEST(SystemKeyDerivationTest, Pbkdf2HmacSha1PublishedValues) {
  EXPECT_EQ(Hex(SystemPbkdf2Sha1("password", "salt", 1, 20).value_or("")),
            "0c60c80f961f0e71f3a9b524af6012062fe037a6");
  EXPECT_EQ(Hex(SystemPbkdf2Sha1("password", "salt", 4096, 20).value_or("")),
            "4b007901b765489abead49d926f721d065a429c1");
}

// A stop ends a derivation of many rounds and a reading, each as failed.
TEST(SystemKeyDerivationTest, AStopEndsTheDerivationAndTheReading) {
  std::stop_source stop;
  stop.request_stop();
  EXPECT_EQ(SystemPbkdf2Sha1("password", "salt", kMaxKdfIterations, 32, stop.get_token()),
            std::nullopt);
  EXPECT_EQ(ParseXmlDocument("<a><b/></a>", stop.get_token()), std::nullopt);
  Win32ImportEnvironment environment(stop.get_token());
  EXPECT_EQ(environment.DerivedAes256("password", "salt", 1000), nullptr);
}

TEST(XmlReaderTest, ElementsAttributesAndTextInEveryEncoding) {
  const std::string utf8 =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!-- a comment -->\r\n"
      "<m:Connections xmlns:m=\"http://example.invalid/ns\" Name=\"a &amp; b\" m:Extra='x'>"
      "<Node Name=\"北京\"/><Node><![CDATA[<raw>]]> &lt;t&gt; </Node></m:Connections>";
  const std::u16string body = Utf16FromUtf8(utf8.substr(utf8.find("?>") + 2)).value_or(u"");
  const std::string utf16 = Utf16File(std::wstring(body.begin(), body.end()));
  std::string utf16BigEndian = "\xFE\xFF";
  for (const char16_t unit : body) utf16BigEndian += {static_cast<char>(unit >> 8), static_cast<char>(unit)};
  for (const std::string& bytes : {utf8, utf16, utf16BigEndian}) {
    const std::optional<XmlElement> root = ParseXmlDocument(bytes);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name, u"Connections");
    EXPECT_EQ(root->AttributeText(u"Name"), u"a & b");
    EXPECT_EQ(root->AttributeText(u"Extra"), u"x");
    EXPECT_EQ(root->Attribute(u"m"), nullptr);  // a namespace declaration is no attribute
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0].AttributeText(u"Name"), u"北京");
    EXPECT_EQ(root->children[1].text, u"<raw> <t> ");
  }
}

TEST(XmlReaderTest, RefusesWhatIsNotOneWellFormedDocument) {
  const std::string_view bad[] = {
      "<RDCMan><file><server><name>a</name></server>",     // truncated
      "<RDCMan><file/>", "<RDCMan><file/></RDC", "<RDCMan><file/><", "<RDCMan><fi",
      "<RDCMan></file></RDCMan>",                          // mismatched
      "<a/><b/>",                                          // two roots
      "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",        // a document type
      "",
  };
  for (const std::string_view bytes : bad)
    EXPECT_EQ(ParseXmlDocument(bytes), std::nullopt) << bytes;
  std::string deep;
  for (int i = 0; i < kMaxXmlDepth + 1; ++i) deep += "<g>";
  for (int i = 0; i < kMaxXmlDepth + 1; ++i) deep += "</g>";
  EXPECT_EQ(ParseXmlDocument(deep), std::nullopt);

  const std::optional<XmlElement> fragment = ParseXmlFragment(" <Node a=\"1\"/>\n<Node a=\"2\"/> ");
  ASSERT_TRUE(fragment);
  ASSERT_EQ(fragment->children.size(), 2u);
  EXPECT_EQ(fragment->children[1].AttributeText(u"a"), u"2");
}

TEST(Win32ImportEnvironmentTest, GbkOnlyForTextsThatHaveIt) {
  Win32ImportEnvironment environment;
  EXPECT_EQ(environment.ToGbk(u"北京 web1"), "\xB1\xB1\xBE\xA9 web1");
  EXPECT_EQ(environment.ToGbk(u""), "");
  EXPECT_EQ(environment.ToGbk(u"\u0E01"), std::nullopt);
  EXPECT_EQ(environment.ToGbk(u"a\U0001F600"), std::nullopt);
  EXPECT_EQ(environment.Unprotect("not a blob"), std::nullopt);
}

class NoPrompt : public MasterPasswordPrompt {
 public:
  int asked = 0;
  std::optional<std::u16string> answer;
  std::optional<std::u16string> AskMasterPassword(std::u16string_view) override {
    ++asked;
    return answer;
  }
};

TEST(ImportServerFilesTest, PasswordsOfTheSystemsDataProtection) {
  test::TestFolder folder(L"import");
  // The password with its terminating NUL, as the system's client seals it.
  const std::string blob = Hex(ProtectedPassword(std::wstring(L"pass密码\0", 7)));
  ASSERT_FALSE(blob.empty());
  ASSERT_TRUE(test::WriteBytes(
      folder.File(L"办公室.rdp"),
      Utf16File(L"full address:s:127.0.0.1:3390\r\nusername:s:admin\r\npassword 51:b:" +
                std::wstring(blob.begin(), blob.end()) + L"\r\n")));
  ASSERT_TRUE(test::WriteBytes(
      folder.File(L"group.rdg"),
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><RDCMan programVersion=\"2.7\" schemaVersion=\"3\">"
      "<file><properties><name>f</name></properties><group><properties><name>" + Utf8(L"机房") +
      "</name></properties><logonCredentials inherit=\"None\"><profileName scope=\"Local\">Custom"
      "</profileName><userName>ops</userName><password>" + Base64(ProtectedPassword(L"rdg-pw")) +
      "</password><domain>CORP</domain></logonCredentials><server><properties><name>127.0.0.2"
      "</name></properties></server></group></file></RDCMan>"));

  NoPrompt prompt;
  const ImportOutcome outcome = ImportServerFiles(
      {folder.File(L"办公室.rdp"), folder.File(L"group.rdg"), folder.File(L"missing.rdp")}, {},
      prompt);
  ASSERT_EQ(outcome.added.size(), 2u);
  EXPECT_EQ(outcome.added[0].host, "127.0.0.1");
  EXPECT_EQ(outcome.added[0].port, "3390");
  EXPECT_EQ(outcome.added[0].password, "pass\xC3\xDC\xC2\xEB");  // 密码 in GBK
  EXPECT_EQ(outcome.added[0].remark, "\xB0\xEC\xB9\xAB\xCA\xD2");  // 办公室
  EXPECT_EQ(outcome.added[1].account, "CORP\\ops");
  EXPECT_EQ(outcome.added[1].password, "rdg-pw");
  EXPECT_EQ(outcome.added[1].remark, "");
  EXPECT_EQ(outcome.added[1].group, "\xBB\xFA\xB7\xBF");  // 机房
  EXPECT_EQ(outcome.passwordsLeftEmpty, 0);
  ASSERT_EQ(outcome.refused.size(), 1u);
  EXPECT_EQ(outcome.refused[0].fileName, u"missing.rdp");
  EXPECT_EQ(outcome.refused[0].reason, ImportRefusal::Unreadable);
}

// A file over a bound is refused with its reason, before its tree is built.
TEST(ImportServerFilesTest, FilesOverTheBoundsAreRefused) {
  test::TestFolder folder(L"import");
  {
    // One byte over the size, without writing it.
    const UniqueHandle file(CreateFileW(folder.File(L"huge.rdg").c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    size.QuadPart = kMaxImportFileSize + 1;
    ASSERT_TRUE(file && SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) &&
                SetEndOfFile(file.get()));
  }
  std::string many = "<RDCMan>";
  for (std::size_t i = 0; i < kMaxXmlItems; ++i) many += "<a/>";  // with the root: one over
  ASSERT_TRUE(test::WriteBytes(folder.File(L"many.rdg"), many + "</RDCMan>"));
  NoPrompt prompt;
  const ImportOutcome outcome =
      ImportServerFiles({folder.File(L"huge.rdg"), folder.File(L"many.rdg")}, {}, prompt);
  ASSERT_EQ(outcome.refused.size(), 2u);
  EXPECT_EQ(outcome.refused[0].reason, ImportRefusal::TooLarge);
  EXPECT_EQ(outcome.refused[1].reason, ImportRefusal::TooManyItems);
}

// A connection-list secret sealed as the other program seals it.
std::string Sealed(std::string_view masterPassword, std::string_view plaintext, char seed) {
  const std::string salt(16, seed);
  const std::string nonce(16, static_cast<char>(seed + 1));
  const std::unique_ptr<BlockCipher> aes =
      SystemAes(SystemPbkdf2Sha1(masterPassword, salt, 1000, 32).value_or(""));
  if (!aes) return {};
  return Base64(salt + nonce + GcmEncrypt(*aes, nonce, salt, plaintext).value_or(""));
}

TEST(ImportServerFilesTest, ConnectionListSealedWithTheSystemsAes) {
  test::TestFolder folder(L"import");
  for (const std::string master : {"mR3m", "team secret"}) {
    ASSERT_TRUE(test::WriteBytes(
        folder.File(L"confCons.xml"),
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<Connections xmlns=\"http://mremoteng.org\" Name=\"Connections\" EncryptionEngine=\"AES\" "
        "BlockCipherMode=\"GCM\" KdfIterations=\"1000\" FullFileEncryption=\"false\" Protected=\"" +
            Sealed(master, "ThisIsProtected", 'p') + "\" ConfVersion=\"2.6\">\r\n"
            "  <Node Name=\"db\" Type=\"Connection\" Hostname=\"127.0.0.3\" Port=\"3391\" "
            "Protocol=\"RDP\" Username=\"dba\" Domain=\"LAB\" Password=\"" +
            Sealed(master, Utf8(L"密码 pw"), 'a') + "\" />\r\n</Connections>\r\n"));
    NoPrompt prompt;
    prompt.answer = u"team secret";
    const ImportOutcome outcome = ImportServerFiles({folder.File(L"confCons.xml")}, {}, prompt);
    EXPECT_EQ(prompt.asked, master == "mR3m" ? 0 : 1) << master;
    ASSERT_EQ(outcome.added.size(), 1u) << master;
    EXPECT_EQ(outcome.added[0].host, "127.0.0.3");
    EXPECT_EQ(outcome.added[0].port, "3391");
    EXPECT_EQ(outcome.added[0].account, "LAB\\dba");
    EXPECT_EQ(outcome.added[0].password, "\xC3\xDC\xC2\xEB pw") << master;
    EXPECT_EQ(outcome.passwordsLeftEmpty, 0);
  }
}

}  // namespace
}  // namespace rdc
