// Importing files the tests write from the published formats: connection
// files, group files of both schemas, connection lists with and without a
// master password; duplicates, texts that cannot be stored, refused files and
// the summary.
#include "import/import_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <ostream>
#include <stdexcept>
#include <stop_token>

#include "fake_import_environment.h"
#include "import/import_text.h"
#include "ui/messages.h"

namespace rdc {

std::ostream& operator<<(std::ostream& out, const ServerTexts& t) {
  return out << t.host << "|" << t.port << "|" << t.account << "|" << t.password << "|" << t.remark
             << "|" << t.group;
}
bool operator==(const ServerTexts& a, const ServerTexts& b) {
  return a.host == b.host && a.port == b.port && a.account == b.account &&
         a.password == b.password && a.remark == b.remark && a.group == b.group;
}

namespace {

using test::Base64Of;
using test::FakeProtectedPassword;
using test::HexOf;

std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string Utf16BigEndianFile(std::u16string_view text) {
  std::string bytes = "\xFE\xFF";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit >> 8);
    bytes += static_cast<char>(unit & 0xFF);
  }
  return bytes;
}

std::string Gbk(std::u16string_view text) {
  return *test::FakeImportEnvironment().ToGbk(text);
}

std::u16string U16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

struct Import {
  test::FakeImportEnvironment environment;
  test::ScriptedPrompt prompt;
  ServerList existing;

  ImportOutcome Run(std::vector<std::u16string> paths) {
    return ImportFiles(paths, existing, environment, prompt);
  }
  // Imports one file and gives its outcome.
  ImportOutcome RunFile(const std::u16string& path, std::string bytes) {
    environment.files[path] = std::move(bytes);
    return Run({path});
  }
};

// ---- Connection files -------------------------------------------------------

TEST(ImportRdpTest, ServersOfConnectionFiles) {
  const std::string password = HexOf(FakeProtectedPassword(u"p@ss word"));
  struct Case {
    const char* what;
    std::string bytes;
    ServerTexts expected;
    bool passwordUnopened = false;
  };
  const Case cases[] = {
      {"as the system's client writes it: UTF-16, CR LF, the password's blob",
       Utf16File(u"screen mode id:i:2\r\nfull address:s:web1.corp.example:3390\r\n"
                 u"username:s:CORP\\admin\r\npassword 51:b:" + U16(password) + u"\r\n"),
       {"web1.corp.example", "3390", "CORP\\admin", "p@ss word", "office"}},
      {"UTF-16 big-endian after its mark",
       Utf16BigEndianFile(u"full address:s:\x5317\x4EAC.example:3396\r\nusername:s:ops\r\n"),
       {"\xB1\xB1\xBE\xA9.example", "3396", "ops", "", "office"}},
      {"UTF-8 without mark, LF, the port and the domain on lines of their own",
       "full address:s:10.0.0.5\nserver port:i:3391\nusername:s:admin\ndomain:s:CORP\n",
       {"10.0.0.5", "3391", "CORP\\admin", "", "office"}},
      {"the address's port wins over server port; names without letter case; the last wins",
       "\xEF\xBB\xBF" "Full Address:s:old\r\nFULL ADDRESS:s:new:3392\r\nServer Port:i:3000\r\n",
       {"new", "3392", "", "", "office"}},
      {"IPv6 in brackets", "full address:s:[2001:db8::5]:3393\r\n",
       {"2001:db8::5", "3393", "", "", "office"}},
      {"a bare IPv6 literal has no port of its own",
       "full address:s:2001:db8::6\r\nserver port:i:3394\r\n",
       {"2001:db8::6", "3394", "", "", "office"}},
      {"a lone CR ends a line too", "full address:s:host7\rusername:s:admin\r",
       {"host7", "3389", "admin", "", "office"}},
      {"malformed lines are ignored, the default port",
       "garbage\nusername:s\nx:yy:z\n:s:x\nfull address:s:host9\ndomain:s:CORP\n",
       {"host9", "3389", "", "", "office"}},
      {"a password that does not open is left empty", "full address:s:host8\npassword 51:b:0102\n",
       {"host8", "3389", "", "", "office"}, true},
  };
  for (const Case& c : cases) {
    Import import;
    const ImportOutcome outcome = import.RunFile(u"C:\\lists\\office.rdp", c.bytes);
    ASSERT_EQ(outcome.added.size(), 1u) << c.what;
    EXPECT_EQ(outcome.added[0], c.expected) << c.what;
    EXPECT_EQ(outcome.passwordsLeftEmpty, c.passwordUnopened ? 1 : 0) << c.what;
    EXPECT_EQ(outcome.skipped, 0) << c.what;
    EXPECT_TRUE(outcome.refused.empty()) << c.what;
  }
}

TEST(ImportRdpTest, RefusedFiles) {
  struct Case {
    std::u16string name;
    std::optional<std::string> bytes;  // none: the file cannot be read
    ImportRefusal reason;
    bool tooLarge = false;
  };
  const Case cases[] = {
      {u"huge.rdg", "<RDCMan><file/></RDCMan>", ImportRefusal::TooLarge, true},
      {u"no-address.rdp", "username:s:admin\r\nserver port:i:3390\r\n", ImportRefusal::NoAddress},
      {u"notes.txt", "just some words\r\n", ImportRefusal::UnknownFormat},
      {u"empty.rdp", "", ImportRefusal::UnknownFormat},
      {u"gone.rdp", std::nullopt, ImportRefusal::Unreadable},
      {u"truncated.rdg", "<?xml version=\"1.0\"?><RDCMan><file><server>", ImportRefusal::NotWellFormed},
      {u"page.xml", "<html><body><p>full address:s:x</p></body></html>", ImportRefusal::UnknownFormat},
      {u"doctype.xml", "<!DOCTYPE RDCMan><RDCMan/>", ImportRefusal::NotWellFormed},
  };
  for (const Case& c : cases) {
    Import import;
    if (c.bytes) import.environment.files[u"D:\\in\\" + c.name] = *c.bytes;
    if (c.tooLarge) import.environment.tooLarge.insert(u"D:\\in\\" + c.name);
    const ImportOutcome outcome = import.Run({u"D:\\in\\" + c.name});
    EXPECT_TRUE(outcome.added.empty());
    ASSERT_EQ(outcome.refused.size(), 1u);
    EXPECT_EQ(outcome.refused[0].fileName, c.name);
    EXPECT_EQ(outcome.refused[0].reason, c.reason) << std::string(c.name.begin(), c.name.end());
  }
}

// ---- Group files --------------------------------------------------------------

std::string Schema3GroupFile() {
  const std::string ops = Utf8FromUtf16(Base64Of(FakeProtectedPassword(u"ops-pw")));
  const std::string sealed = Utf8FromUtf16(Base64Of(FakeProtectedPassword(u"cert-pw")));
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
         "<RDCMan programVersion=\"2.93\" schemaVersion=\"3\">\r\n"
         "  <file>\r\n"
         "    <credentialsProfiles>\r\n"
         "      <credentialsProfile inherit=\"None\">\r\n"
         "        <profileName scope=\"Local\">ops</profileName>\r\n"
         "        <userName>operator</userName>\r\n"
         "        <password>" + ops + "</password>\r\n"
         "        <domain>CORP</domain>\r\n"
         "      </credentialsProfile>\r\n"
         "    </credentialsProfiles>\r\n"
         "    <properties><expanded>True</expanded><name>Company</name></properties>\r\n"
         "    <logonCredentials inherit=\"None\"><profileName scope=\"File\">ops</profileName>"
         "</logonCredentials>\r\n"
         "    <connectionSettings inherit=\"None\"><port>3390</port></connectionSettings>\r\n"
         "    <group>\r\n"
         "      <properties><expanded>False</expanded><name>北京</name></properties>\r\n"
         "      <group>\r\n"
         "        <properties><name>机房</name></properties>\r\n"
         "        <server>\r\n"
         "          <properties><displayName>Web 1</displayName><name>web1.corp.example</name>"
         "<comment>front end &amp; proxy</comment></properties>\r\n"
         "        </server>\r\n"
         "        <server>\r\n"
         "          <properties><name>db1</name></properties>\r\n"
         "          <logonCredentials inherit=\"None\"><profileName scope=\"Local\">Custom</profileName>"
         "<userName>dba</userName><password storeAsClearText=\"True\">clear pw</password>"
         "<domain>[server]</domain></logonCredentials>\r\n"
         "          <connectionSettings inherit=\"None\"><port>3391</port></connectionSettings>\r\n"
         "        </server>\r\n"
         "      </group>\r\n"
         "      <smartGroup><properties><name>All</name></properties>"
         "<server><properties><name>ghost</name></properties></server></smartGroup>\r\n"
         "    </group>\r\n"
         "    <group>\r\n"
         "      <properties><name>cert</name></properties>\r\n"
         "      <encryptionSettings inherit=\"None\"><encryptionMethod>Certificate</encryptionMethod>"
         "</encryptionSettings>\r\n"
         "      <logonCredentials inherit=\"None\"><userName>u</userName><password>" + sealed +
         "</password></logonCredentials>\r\n"
         "      <server><properties><name>c1</name></properties>"
         "<logonCredentials inherit=\"FromParent\"/></server>\r\n"
         "    </group>\r\n"
         "    <server>\r\n"
         "      <properties><name>top1</name><displayName>top1</displayName></properties>\r\n"
         "      <logonCredentials inherit=\"None\"><profileName scope=\"Local\">Custom</profileName>"
         "<userName>admin</userName><password>AAAA</password><domain>[display]</domain>"
         "</logonCredentials>\r\n"
         "    </server>\r\n"
         "    <server><properties><displayName>Mail</displayName><name>mail1</name>"
         "<comment>Mail\r\nsecond</comment></properties></server>\r\n"
         "  </file>\r\n"
         "  <connected /><favorites /><recentlyUsed />\r\n"
         "</RDCMan>\r\n";
}

TEST(ImportRdgTest, Schema3GroupsProfilesInheritanceAndPlaceholders) {
  Import import;
  const ImportOutcome outcome = import.RunFile(u"company.rdg", Schema3GroupFile());
  const std::vector<ServerTexts> expected = {
      {"web1.corp.example", "3390", "CORP\\operator", "ops-pw",
       "Web 1\r\nfront end & proxy", Gbk(u"北京/机房")},
      {"db1", "3391", "db1\\dba", "clear pw", "", Gbk(u"北京/机房")},
      {"c1", "3390", "u", "", "", "cert"},       // a certificate protects the password
      {"top1", "3390", "top1\\admin", "", ""},  // AAAA does not open
      // A comment whose first line is the display name holds it once.
      {"mail1", "3390", "CORP\\operator", "ops-pw", "Mail\r\nsecond", ""},
  };
  EXPECT_EQ(outcome.added, expected);
  EXPECT_EQ(outcome.passwordsLeftEmpty, 2);
  EXPECT_EQ(outcome.skipped, 0);  // the smart group's entry is passed over, not counted
}

TEST(ImportRdgTest, Schema1InlineCredentialsFromTheFile) {
  const std::string password = Utf8FromUtf16(Base64Of(FakeProtectedPassword(u"lab-pw")));
  Import import;
  const ImportOutcome outcome = import.RunFile(
      u"old.rdg",
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<RDCMan schemaVersion=\"1\">\n  <version>2.2</version>\n  <file>\n"
      "    <properties><name>Old</name></properties>\n"
      "    <logonCredentials inherit=\"None\"><userName>admin</userName><domain>LAB</domain>"
      "<password storeAsClearText=\"False\">" + password + "</password></logonCredentials>\n"
      "    <group>\n      <properties><name>测试</name></properties>\n"
      "      <logonCredentials inherit=\"FromParent\" />\n"
      "      <server>\n        <name>lab1</name><displayName>Lab one</displayName><comment />\n"
      "        <logonCredentials inherit=\"FromParent\" />\n"
      "        <connectionSettings inherit=\"None\"><connectToConsole>False</connectToConsole>"
      "<port>3395</port></connectionSettings>\n"
      "      </server>\n    </group>\n  </file>\n</RDCMan>\n");
  const std::vector<ServerTexts> expected = {
      {"lab1", "3395", "LAB\\admin", "lab-pw", "Lab one", Gbk(u"测试")}};
  EXPECT_EQ(outcome.added, expected);
  EXPECT_EQ(outcome.passwordsLeftEmpty, 0);
}

// Settings are found wherever a node holds them among its children: after the
// servers of its group too; of two profiles of one name the first counts.
TEST(ImportRdgTest, SettingsAfterTheServersAndTheFirstOfTwoProfiles) {
  Import import;
  const ImportOutcome outcome = import.RunFile(
      u"late.rdg",
      "<RDCMan schemaVersion=\"3\"><file>"
      "<group><properties><name>g</name></properties>"
      "<server><properties><name>s1</name></properties></server>"
      "<server><properties><name>s2</name></properties>"
      "<connectionSettings inherit=\"FromParent\"/></server>"
      "<connectionSettings inherit=\"None\"><port>3397</port></connectionSettings>"
      "<logonCredentials inherit=\"None\"><profileName scope=\"File\">p</profileName>"
      "</logonCredentials></group>"
      "<credentialsProfiles>"
      "<credentialsProfile><profileName>p</profileName><userName>first</userName></credentialsProfile>"
      "<credentialsProfile><profileName>p</profileName><userName>second</userName></credentialsProfile>"
      "</credentialsProfiles>"
      "<connectionSettings inherit=\"None\"><port>3300</port></connectionSettings>"
      "</file></RDCMan>");
  const std::vector<ServerTexts> expected = {{"s1", "3397", "first", "", "", "g"},
                                             {"s2", "3397", "first", "", "", "g"}};
  EXPECT_EQ(outcome.added, expected);
}

// A group ms.ini cannot hold, or that has no GBK form, is dropped; its
// servers still come in.
TEST(ImportRdgTest, AGroupThatCannotBeStoredLeavesItsServersWithoutOne) {
  Import import;
  const ImportOutcome outcome = import.RunFile(
      u"odd.rdg",
      "<RDCMan schemaVersion=\"3\"><file><properties><name>Top</name></properties>"
      "<group><properties><name> a|b </name></properties>"
      "<server><properties><name>s1</name></properties></server></group>"
      "<group><properties><name>\xE0\xB8\x81</name></properties>"  // a Thai letter
      "<server><properties><name>s2</name></properties></server></group>"
      "<group><properties><name> / </name></properties>"
      "<group><properties><name>x / y</name></properties>"
      "<server><properties><name>s3</name></properties></server></group></group>"
      "</file></RDCMan>");
  const std::vector<ServerTexts> expected = {{"s1", "3389", "", "", ""},
                                             {"s2", "3389", "", "", ""},
                                             {"s3", "3389", "", "", "", "x/y"}};
  EXPECT_EQ(outcome.added, expected);
}

// ---- Connection lists -----------------------------------------------------------

std::string ConfConsFile(Import& import, std::u16string_view master, bool wholeFileSealed) {
  const auto seal = [&](std::string_view text, char seed) {
    return Utf8FromUtf16(test::SealConfConsSecret(import.environment, master, text, 1000, seed));
  };
  const std::string nodes =
      "  <Node Name=\"北京\" Type=\"Container\" Username=\"ops\" Domain=\"CORP\" Password=\"" +
      seal("ops-pw", 'a') + "\" Port=\"3390\" Protocol=\"RDP\">\n"
      "    <Node Name=\"Web\" Type=\"Connection\" Descr=\"front end\" Hostname=\"web1\" "
      "Port=\"3389\" Protocol=\"RDP\" Username=\"\" InheritUsername=\"true\" "
      "InheritDomain=\"True\" InheritPassword=\"true\" InheritPort=\"true\" />\n"
      "    <Node Name=\"db\" Hostname=\"db1:3391\" Port=\"3389\" Protocol=\"RDP\" "
      "Username=\"dba\" Domain=\"\" Password=\"\" />\n"
      "    <Node Name=\"ssh box\" Type=\"Connection\" Hostname=\"ssh1\" Protocol=\"SSH2\" />\n"
      "  </Node>\n"
      "  <Node Name=\"v6\" Type=\"Connection\" Hostname=\"[2001:db8::9]\" Port=\"3392\" "
      "Protocol=\"RDP\" Username=\"admin\" Password=\"garbage\" />\n";
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<mrng:Connections xmlns:mrng=\"http://mremoteng.org\" Name=\"Connections\" "
         "EncryptionEngine=\"AES\" BlockCipherMode=\"GCM\" KdfIterations=\"1000\" "
         "FullFileEncryption=\"" + std::string(wholeFileSealed ? "true" : "false") +
         "\" Protected=\"" + seal("ThisIsNotProtected", 'p') + "\" ConfVersion=\"2.6\">" +
         (wholeFileSealed ? seal(nodes, 'f') : "\n" + nodes) + "</mrng:Connections>\n";
}

std::vector<ServerTexts> ConfConsServers(bool passwordsOpen) {
  return {{"web1", "3390", "CORP\\ops", passwordsOpen ? "ops-pw" : "",
           "Web\r\nfront end", Gbk(u"北京")},
          {"db1", "3391", "dba", "", "db", Gbk(u"北京")},
          {"2001:db8::9", "3392", "admin", "", "v6"}};
}

TEST(ImportConfConsTest, DefaultMasterPasswordOpensByItself) {
  for (const bool wholeFileSealed : {false, true}) {
    Import import;
    const ImportOutcome outcome =
        import.RunFile(u"confCons.xml", ConfConsFile(import, kDefaultMasterPassword, wholeFileSealed));
    EXPECT_EQ(outcome.added, ConfConsServers(true)) << wholeFileSealed;
    EXPECT_EQ(outcome.passwordsLeftEmpty, 1);  // "garbage"
    EXPECT_TRUE(import.prompt.asked.empty());
  }
}

TEST(ImportConfConsTest, OwnMasterPasswordIsAskedOncePerFile) {
  struct Case {
    const char* what;
    bool wholeFileSealed;
    std::optional<std::u16string> answer;
    bool opens;
  };
  const Case cases[] = {
      {"the right password", false, u"s3cret", true},
      {"the right password, whole file sealed", true, u"s3cret", true},
      {"a wrong password leaves the passwords empty", false, u"guess", false},
      {"cancel leaves the passwords empty", false, std::nullopt, false},
      {"cancel refuses a wholly sealed file", true, std::nullopt, false},
  };
  for (const Case& c : cases) {
    Import import;
    import.prompt.answers = {c.answer, u"s3cret"};
    const ImportOutcome outcome =
        import.RunFile(u"E:\\team\\confCons.xml", ConfConsFile(import, u"s3cret", c.wholeFileSealed));
    EXPECT_EQ(import.prompt.asked, std::vector<std::u16string>{u"confCons.xml"}) << c.what;
    if (c.wholeFileSealed && !c.opens) {
      ASSERT_EQ(outcome.refused.size(), 1u) << c.what;
      EXPECT_EQ(outcome.refused[0].reason, ImportRefusal::Locked);
      EXPECT_TRUE(outcome.added.empty());
      continue;
    }
    EXPECT_EQ(outcome.added, ConfConsServers(c.opens)) << c.what;
    EXPECT_EQ(outcome.passwordsLeftEmpty, c.opens ? 1 : 2) << c.what;
  }
}

// A key is derived once for each (password, salt, rounds) of an import: the
// nodes that take their container's password derive nothing more.
TEST(ImportConfConsTest, EachKeyIsDerivedOncePerImport) {
  Import import;
  const std::string sealed = Utf8FromUtf16(
      test::SealConfConsSecret(import.environment, kDefaultMasterPassword, "shared-pw", 1000, 'a'));
  std::string nodes;
  for (int n = 0; n < 50; ++n)
    nodes += "<Node Type=\"Connection\" Hostname=\"h" + std::to_string(n) +
             "\" Protocol=\"RDP\" InheritPassword=\"true\"/>";
  const std::string file =
      "<Connections KdfIterations=\"1000\" Protected=\"" +
      Utf8FromUtf16(test::SealConfConsSecret(import.environment, kDefaultMasterPassword, "x", 1000, 'p')) +
      "\"><Node Type=\"Container\" Password=\"" + sealed + "\">" + nodes + "</Node></Connections>";
  import.environment.files = {{u"a.xml", file}, {u"b.xml", file}};
  import.environment.keysDerived = 0;
  const ImportOutcome outcome = import.Run({u"a.xml", u"b.xml"});
  ASSERT_EQ(outcome.added.size(), 50u);  // b.xml's are duplicates
  EXPECT_EQ(outcome.added[49].password, "shared-pw");
  EXPECT_EQ(import.environment.keysDerived, 2);  // the Protected check's key and the password's
}

// ---- Across files -------------------------------------------------------------

TEST(ImportFilesTest, DuplicatesAndTextsThatCannotBeStoredAreSkipped) {
  Import import;
  import.existing.push_back({"Server1", "3389", "admin", "", ""});
  import.existing.push_back({"\x80" "A", "3389", "", "", ""});  // "€A": 0x80 is a character of its own
  import.environment.files = {
      {u"a.rdp", "full address:s:SERVER1\nusername:s:admin\n"},           // in the list already
      {u"b.rdp", "full address:s:server1:3390\nusername:s:admin\n"},      // another port
      {u"c.rdp", "full address:s:server1\nusername:s:other\n"},           // another account
      {u"d.rdp", "full address:s:Server1:3390\nusername:s:admin\n"},      // as b, added before
      {u"e.rdp", "full address:s:host|x\n"},                              // "|" cannot be stored
      {u"f.rdp", "full address:s:host5\nusername:s:jos\xE9\n"},           // no GBK form
      {u"g.rdp", "full address:s::3389\n"},                               // no host
      {u"\x0E01.rdp", "full address:s:host6\n"},                          // remark has no GBK form
      {u"h.rdp", "full address:s:\xE2\x82\xAC" "a\n"},                      // "€a" as "€A"
  };
  const ImportOutcome outcome = import.Run(
      {u"a.rdp", u"b.rdp", u"c.rdp", u"d.rdp", u"e.rdp", u"f.rdp", u"g.rdp", u"\x0E01.rdp", u"h.rdp"});
  const std::vector<ServerTexts> expected = {{"server1", "3390", "admin", "", "b"},
                                             {"server1", "3389", "other", "", "c"}};
  EXPECT_EQ(outcome.added, expected);
  EXPECT_EQ(outcome.skipped, 7);
}

TEST(ImportFilesTest, ARefusedFileAddsNothingAndTheOthersGoOnInOrder) {
  Import import;
  import.environment.files = {{u"1.rdp", "full address:s:one\n"},
                              {u"2.rdg", "<RDCMan><file><server><name>two</name></server>"},
                              {u"3.rdp", "full address:s:three\n"}};
  const ImportOutcome outcome = import.Run({u"1.rdp", u"2.rdg", u"3.rdp"});
  ASSERT_EQ(outcome.added.size(), 2u);
  EXPECT_EQ(outcome.added[0].host, "one");
  EXPECT_EQ(outcome.added[1].host, "three");
  ASSERT_EQ(outcome.refused.size(), 1u);
  EXPECT_EQ(outcome.refused[0].fileName, u"2.rdg");
}

// A failure while a file is read (the memory for its tree, a fault of the
// system) refuses that file with its reason; the others are imported.
TEST(ImportFilesTest, AFailureWhileReadingRefusesOnlyThatFile) {
  struct Case {
    const char* what;
    std::function<void()> fail;
    ImportRefusal reason;
  };
  const Case cases[] = {
      {"out of memory", [] { throw std::bad_alloc(); }, ImportRefusal::Failed},
      {"an XML file over the bound", [] { throw XmlTooLarge(); }, ImportRefusal::TooManyItems},
      {"any other fault", [] { throw std::runtime_error("system"); }, ImportRefusal::Failed},
  };
  for (const Case& c : cases) {
    Import import;
    import.environment.files = {{u"1.rdp", "full address:s:one\n"},
                                {u"2.rdg", "<RDCMan><file/></RDCMan>"},
                                {u"3.rdp", "full address:s:three\n"}};
    import.environment.whenRead = [&](const std::u16string& path) {
      if (path == u"2.rdg") c.fail();
    };
    const ImportOutcome outcome = import.Run({u"1.rdp", u"2.rdg", u"3.rdp"});
    ASSERT_EQ(outcome.added.size(), 2u) << c.what;
    EXPECT_EQ(outcome.added[1].host, "three") << c.what;
    ASSERT_EQ(outcome.refused.size(), 1u) << c.what;
    EXPECT_EQ(outcome.refused[0].fileName, u"2.rdg") << c.what;
    EXPECT_EQ(outcome.refused[0].reason, c.reason) << c.what;
  }
}

// A stop ends the import at the next file or server and adds nothing of it.
TEST(ImportFilesTest, AStopEndsTheImportWithNothingAdded) {
  for (const std::u16string stopAt : {u"2.rdp", u"3.rdp"}) {
    Import import;
    import.environment.files = {{u"1.rdp", "full address:s:one\n"},
                                {u"2.rdp", "full address:s:two\n"},
                                {u"3.rdp", "full address:s:three\n"},
                                {u"4.rdp", "full address:s:four\n"}};
    std::stop_source stop;
    std::vector<std::u16string> read;
    import.environment.whenRead = [&](const std::u16string& path) {
      read.push_back(path);
      if (path == stopAt) stop.request_stop();
    };
    const std::vector<std::u16string> paths = {u"1.rdp", u"2.rdp", u"3.rdp", u"4.rdp"};
    const ImportOutcome outcome =
        ImportFiles(paths, import.existing, import.environment, import.prompt, stop.get_token());
    EXPECT_TRUE(outcome.added.empty());
    EXPECT_TRUE(outcome.refused.empty());
    EXPECT_EQ(read.back(), stopAt) << "files were read after the stop";
  }
}

TEST(ImportSummaryTest, TheTextOfTheEndBox) {
  ImportOutcome outcome;
  outcome.added.resize(12);
  outcome.skipped = 3;
  EXPECT_EQ(ComposeImportSummary(outcome, kImportSummaryPhrases),
            L"已导入 12 台服务器，跳过 3 台重复或无效的项。");
  outcome.passwordsLeftEmpty = 2;
  outcome.refused = {{u"a%2.rdg", ImportRefusal::NotWellFormed},
                     {u"b.rdp", ImportRefusal::NoAddress},
                     {u"c.rdg", ImportRefusal::Failed}};
  EXPECT_EQ(ComposeImportSummary(outcome, kImportSummaryPhrases),
            L"已导入 12 台服务器，跳过 3 台重复或无效的项。\n"
            L"2 台服务器的密码无法解开，已留空。\n"
            L"无法导入：a%2.rdg（文件内容不完整或已损坏）\n"
            L"无法导入：b.rdp（没有服务器地址）\n"
            L"无法导入：c.rdg（文件太大或已损坏，读取时出错）");
}

}  // namespace
}  // namespace rdc
