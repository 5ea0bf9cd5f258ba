// The export's files: the CSV table's text, the group file's text, the
// connection files' names, and group files and connection files read back
// through the import to the same servers.
#include "export/export_files.h"

#include <gtest/gtest.h>

#include "fake_import_environment.h"
#include "import/import_files.h"
#include "import/import_text.h"
#include "model/config_file.h"

namespace rdc {

std::ostream& operator<<(std::ostream& out, const ServerTexts& t);
bool operator==(const ServerTexts& a, const ServerTexts& b);

namespace {

using namespace std::string_literals;

// The fake GBK of the import tests, and the fake data protection the import
// tests open: its prefix, then the bytes.
class FakeExportSystem : public ExportSystem {
 public:
  std::u16string Utf16WithTerminator(const std::string& gbk) override {
    return test::FakeFromGbk(gbk) + u'\0';
  }
  std::string Protect(std::string_view data, std::u16string_view) override {
    return refuse ? std::string() : std::string(test::kFakeSealPrefix) + std::string(data);
  }
  bool refuse = false;
};

std::string Gbk(std::u16string_view text) {
  return *test::FakeImportEnvironment().ToGbk(text);
}

ServerEntry Server(ServerTexts texts) {
  ServerList list;
  AppendServer(list, std::move(texts));
  return list.front();
}

TEST(ExportCsvTest, HeaderThenOneQuotedWhereNeededLinePerServerWithoutPasswords) {
  FakeExportSystem system;
  const struct {
    ServerTexts server;
    std::string line;
  } cases[] = {
      {{"10.0.0.1", "3389", "admin", "secret", "web"}, "10.0.0.1,3389,admin,,web"},
      {{"h", "1", "a,b", "", "say \"hi\", ok"}, "h,1,\"a,b\",,\"say \"\"hi\"\", ok\""},
      {{"h", "1", "", "", "one\ntwo"}, "h,1,,,\"one\r\ntwo\""},
      // What a spreadsheet would take for a formula is made text.
      {{"h", "1", "-x", "", "=HYPERLINK(\"a\",\"b\")", "@g"},
       "h,1,'-x,'@g,\"'=HYPERLINK(\"\"a\"\",\"\"b\"\")\""},
      {{"h", "1", "a=b", "", "+1"}, "h,1,a=b,,'+1"},
      {{"h", "1", "", "", Gbk(u"北京机房"), Gbk(u"测试/分组")},
       "h,1,,\xE6\xB5\x8B\xE8\xAF\x95/\xE5\x88\x86\xE7\xBB\x84,"
       "\xE5\x8C\x97\xE4\xBA\xAC\xE6\x9C\xBA\xE6\x88\xBF"},
  };
  for (const auto& c : cases) {
    const ServerEntry server = Server(c.server);
    EXPECT_EQ(CsvText({&server, 1}, system),
              "\xEF\xBB\xBF\xE4\xB8\xBB\xE6\x9C\xBA" "IP" "\xE5\x9C\xB0\xE5\x9D\x80,\xE7\xAB\xAF"
              "\xE5\x8F\xA3,\xE7\x99\xBB\xE9\x99\x86\xE8\xB4\xA6\xE5\x8F\xB7,\xE5\x88\x86\xE7\xBB"
              "\x84,\xE5\xA4\x87\xE6\xB3\xA8\r\n" + c.line + "\r\n");
  }
}

TEST(ExportGroupFileTest, NestedGroupsEscapedTextsAndTheServersOwnCredentials) {
  FakeExportSystem system;
  const std::vector<ServerEntry> servers = {
      Server({"a&b", "3390", "D\\u", "pw", "x<y>\r\nz", Gbk(u"北京/机房")}),
      Server({"c", "3389", "", "", "", Gbk(u"北京")}),
      Server({"d", "3389", "a\\b\\c", "pw", ""}),
  };
  system.refuse = false;
  const ExportedFiles exported = GroupFileText(servers, u"list", system);
  const std::string& text = exported.files.at(0).bytes;
  const std::string password =
      Utf8FromUtf16(test::Base64Of(std::string(test::kFakeSealPrefix) + "p\0w\0"s));
  // In this order: the file, its own server, then the groups nested.
  const std::string fragments[] = {
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RDCMan programVersion=\"2.90\" schemaVersion=\"3\">",
      "<file>", "<name>list</name>", "<displayName>d</displayName>", "<userName>a\\b\\c</userName>",
      "<domain />", "<group>", "<name>\xE5\x8C\x97\xE4\xBA\xAC</name>", "<name>c</name>",
      "<password />", "<group>", "<name>\xE6\x9C\xBA\xE6\x88\xBF</name>",
      "<displayName>x&lt;y&gt;</displayName>", "<name>a&amp;b</name>",
      "<comment>x&lt;y&gt;\r\nz</comment>", "<logonCredentials inherit=\"None\">",
      "<userName>u</userName>", "<password>" + password + "</password>", "<domain>D</domain>",
      "<connectionSettings inherit=\"None\">", "<port>3390</port>", "</group>", "</group>",
      "</file>", "</RDCMan>\r\n"};
  std::size_t at = 0;
  for (const std::string& fragment : fragments) {
    at = text.find(fragment, at);
    ASSERT_NE(at, std::string::npos) << fragment << "\n" << text;
  }
  EXPECT_EQ(exported.passwordsLeftOut, 0);
  system.refuse = true;
  EXPECT_EQ(GroupFileText(servers, u"list", system).passwordsLeftOut, 2);
}

TEST(ExportFileNamesTest, SafeForTheSystemAndNumberedWhenTwoMeet) {
  const struct {
    std::u16string name, stem;
  } stems[] = {
      {u"a\\b/c:d*e?f\"g<h>i|j", u"a_b_c_d_e_f_g_h_i_j"}, {u"tab\there\x01", u"tab_here_"},
      {u" name. . ", u"name"}, {u"...", u"_"}, {u"CON", u"_CON"}, {u"nul.txt", u"_nul.txt"},
      {u"com1 ", u"_com1"}, {u"Lpt9", u"_Lpt9"}, {u"COM10", u"COM10"}, {u"console", u"console"},
      {std::u16string(120, u'a') + u".", std::u16string(100, u'a')},
  };
  for (const auto& c : stems) EXPECT_EQ(SafeFileStem(c.name), c.stem);

  FakeExportSystem system;
  const std::vector<ServerEntry> servers = {
      Server({"h1", "1", "", "", "Web\r\nfirst"}), Server({"h2", "1", "", "", "web"}),
      Server({"Web (2)", "1", "", "", ""}),        Server({"h4", "1", "", "", "CON\nx"}),
      Server({"10.0.0.1", "1", "", "", "  "}),     Server({"h6", "1", "", "", Gbk(u"测试")}),
  };
  EXPECT_EQ(ConnectionFileNames(servers, system),
            (std::vector<std::u16string>{u"Web.rdp", u"web (2).rdp", u"Web (2) (2).rdp",
                                         u"_CON.rdp", u"10.0.0.1.rdp", u"测试.rdp"}));
}

// Servers whose texts the import gives back as they are: lines of their
// remark trimmed and not empty, CR LF between them.
std::vector<ServerEntry> RoundTripServers() {
  return {
      Server({"10.0.0.1", "3390", "CORP\\admin", "p w&<", Gbk(u"北京 web") + "\r\nfront & back",
              Gbk(u"北京/机房")}),
      Server({"db1", "3389", "sa@corp", "", "", Gbk(u"北京")}),
      Server({"top", "3391", "", "x", Gbk(u"测试")}),
      Server({"h4", "3389", "a\\b\\c", "", "h4\r\nsame as the host"}),
  };
}

std::vector<ServerTexts> Imported(const ExportedFiles& exported) {
  test::FakeImportEnvironment environment;
  std::vector<std::u16string> paths;
  for (const ExportedFile& file : exported.files) {
    paths.push_back(u"C:\\out\\" + file.name);
    environment.files[paths.back()] = file.bytes;
  }
  test::ScriptedPrompt prompt;
  const ImportOutcome outcome = ImportFiles(paths, {}, environment, prompt);
  EXPECT_TRUE(outcome.refused.empty());
  EXPECT_EQ(outcome.skipped, 0);
  EXPECT_EQ(outcome.passwordsLeftEmpty, 0);
  return outcome.added;
}

TEST(ExportRoundTripTest, AGroupFileReadsBackToTheSameServers) {
  FakeExportSystem system;
  const std::vector<ServerEntry> servers = RoundTripServers();
  const ExportedFiles exported =
      ExportFiles(ExportFormat::GroupFile, servers, u"list", false, false, system);
  ASSERT_EQ(exported.files.size(), 1u);
  EXPECT_EQ(exported.files[0].name, u"list.rdg");
  std::vector<ServerTexts> expected;
  expected.reserve(servers.size());
  for (const ServerEntry& s : servers)
    expected.push_back({s.host, s.port, s.account, s.password, s.remark, s.group});
  // The file holds each group's servers together: those of no group first.
  std::vector<ServerTexts> imported = Imported(exported);
  ASSERT_EQ(imported.size(), 4u);
  EXPECT_EQ(imported[0], expected[2]);
  EXPECT_EQ(imported[1], expected[3]);
  EXPECT_EQ(imported[2], expected[1]);
  EXPECT_EQ(imported[3], expected[0]);
}

// A connection file holds no group, and its name is the remark the import gives.
TEST(ExportRoundTripTest, ConnectionFilesReadBackToTheSameServersWithOrWithoutPasswords) {
  FakeExportSystem system;
  const std::vector<ServerEntry> servers = RoundTripServers();
  for (const bool withPasswords : {true, false}) {
    const ExportedFiles exported =
        ExportFiles(ExportFormat::ConnectionFiles, servers, u"", withPasswords, true, system);
    ASSERT_EQ(exported.files.size(), servers.size());
    EXPECT_TRUE(exported.files[0].bytes.starts_with("\xFF\xFE" "s\0c\0r\0e\0e\0n\0"s));
    std::vector<ServerTexts> expected;
    expected.reserve(servers.size());
    for (const ServerEntry& s : servers) {
      const std::string stem = RemarkFirstLine(s.remark).empty() ? s.host : RemarkFirstLine(s.remark);
      expected.push_back({s.host, s.port, s.account, withPasswords ? s.password : "", stem});
    }
    EXPECT_EQ(Imported(exported), expected);
  }
  // A server's own settings are in its file as in its connection's profile.
  std::vector<ServerEntry> withSettings = {servers[0]};
  withSettings[0].settings = "display=all;clipboard=0";
  const std::string bytes =
      ExportFiles(ExportFormat::ConnectionFiles, withSettings, u"", false, true, system)
          .files.at(0)
          .bytes;
  for (const std::string line : {"\r\nuse multimon:i:1\r\n", "\r\nredirectclipboard:i:0\r\n"}) {
    std::string utf16;
    for (const char c : line) utf16 += std::string{c, '\0'};
    EXPECT_NE(bytes.find(utf16), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace rdc
