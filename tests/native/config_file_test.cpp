// Tests of the plain text inside ms.ini: the exact bytes written, and how
// records and option lines (odd ones included) are read back.
#include "model/config_file.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "model/connection_settings.h"
#include "text/gbk_text.h"

namespace rdc {
namespace {

ServerEntry Entry(std::string host, std::string port, std::string account, std::string password,
                  std::string remark, ServerStatus status = ServerStatus::Pending) {
  return ServerEntry{std::move(host),     std::move(port),   std::move(account),
                     std::move(password), std::move(remark), status};
}

void ExpectSameEntry(const ServerEntry& actual, const ServerEntry& expected) {
  EXPECT_EQ(actual.host, expected.host);
  EXPECT_EQ(actual.port, expected.port);
  EXPECT_EQ(actual.account, expected.account);
  EXPECT_EQ(actual.password, expected.password);
  EXPECT_EQ(actual.remark, expected.remark);
  EXPECT_EQ(actual.group, expected.group);
  EXPECT_EQ(actual.status, expected.status);
}

ServerEntry Grouped(ServerEntry entry, std::string group) {
  entry.group = std::move(group);
  return entry;
}

struct Parsed {
  ServerList list;
  ConfigOptions options;
};

Parsed Parse(std::string_view plain, ConfigOptions options = {}) {
  Parsed parsed{{}, options};
  ParseConfig(plain, parsed.list, parsed.options);
  return parsed;
}

// ---- Composing -------------------------------------------------------------

TEST(ComposeConfigTextTest, EmptyConfigurationIsTwoLinesOf26Bytes) {
  const std::string text = ComposeConfigText({}, {}, "");
  EXPECT_EQ(text, "#Start:0\r\n#LoadinPass:<>\r\n");
  EXPECT_EQ(text.size(), 26u);
}

TEST(ComposeConfigTextTest, TwoServersWithForcedLoginAndSmallScreen) {
  const ServerList list = {Entry("127.0.0.1", "3389", "Administrator", "", "office"),
                           Entry("127.0.0.2", "3390", "Administrator", "", "")};
  EXPECT_EQ(ComposeConfigText(list, {.forceAdmin = true, .fullScreen = false}, ""),
            "127.0.0.1|3389|Administrator||office\r\n"
            "127.0.0.2|3390|Administrator||\r\n"
            "#admin:1\r\n"
            "#Start:0\r\n"
            "#LoadinPass:<>\r\n");
}

TEST(ComposeConfigTextTest, FullScreenPasswordAndAnEntryWithEveryFieldEmpty) {
  const ServerList list = {Entry("", "", "", "", "", ServerStatus::Online)};
  EXPECT_EQ(ComposeConfigText(list, {.forceAdmin = false, .fullScreen = true}, "s\xC3\xDC"),
            "||||\r\n#Start:1\r\n#LoadinPass:<s\xC3\xDC>\r\n");
}

// ---- Round trip ------------------------------------------------------------

TEST(ConfigRoundTripTest, EntriesComeBackWithTheirTextsAndPendingStatus) {
  const ServerList saved = {
      Entry("10.0.0.1", "3389", "Administrator", "p@ss w0rd", "\xB0\xEC\xB9\xAB\xCA\xD2",
            ServerStatus::Online),  // remark "办公室"
      Entry("host.example", "03390", "\xC4\x7C", "", "", ServerStatus::Offline),  // "膢"
      Entry("", "", "", "", ""),
      Entry("#admin:", "1", "x", "#Start:0", "y"),
  };
  for (bool forceAdmin : {false, true}) {
    for (bool fullScreen : {false, true}) {
      SCOPED_TRACE(testing::Message() << "admin " << forceAdmin << " full " << fullScreen);
      const ConfigOptions options{forceAdmin, fullScreen};
      const std::string text = ComposeConfigText(saved, options, "pw");

      const Parsed loaded = Parse(text, {.forceAdmin = false, .fullScreen = !fullScreen});
      ASSERT_EQ(loaded.list.size(), saved.size());
      for (std::size_t n = 0; n < saved.size(); ++n) {
        ServerEntry expected = saved[n];
        expected.status = ServerStatus::Pending;
        ExpectSameEntry(loaded.list[n], expected);
      }
      EXPECT_EQ(loaded.options.forceAdmin, forceAdmin);
      EXPECT_EQ(loaded.options.fullScreen, fullScreen);
      EXPECT_EQ(StartupPasswordOf(text), "pw");
    }
  }
}

// ---- Parsing ---------------------------------------------------------------

TEST(ParseConfigTest, ReadsTheTwoServerExample) {
  const Parsed parsed = Parse(
      "127.0.0.1|3389|Administrator||office\r\n"
      "127.0.0.2|3390|Administrator||\r\n"
      "#admin:1\r\n"
      "#Start:0\r\n"
      "#LoadinPass:<>\r\n",
      {.forceAdmin = false, .fullScreen = true});
  ASSERT_EQ(parsed.list.size(), 2u);
  ExpectSameEntry(parsed.list[0], Entry("127.0.0.1", "3389", "Administrator", "", "office"));
  ExpectSameEntry(parsed.list[1], Entry("127.0.0.2", "3390", "Administrator", "", ""));
  EXPECT_TRUE(parsed.options.forceAdmin);
  EXPECT_FALSE(parsed.options.fullScreen);
}

TEST(ParseConfigTest, EntryNumbersFollowTheFileOrder) {
  const Parsed parsed = Parse("a|1|x\r\nb|2|y\r\n");
  ASSERT_NE(EntryByNumber(parsed.list, 1), nullptr);
  ASSERT_NE(EntryByNumber(parsed.list, 2), nullptr);
  EXPECT_EQ(EntryByNumber(parsed.list, 1)->host, "a");
  EXPECT_EQ(EntryByNumber(parsed.list, 2)->host, "b");
  EXPECT_EQ(EntryByNumber(parsed.list, 0), nullptr);
  EXPECT_EQ(EntryByNumber(parsed.list, -1), nullptr);
  EXPECT_EQ(EntryByNumber(parsed.list, 3), nullptr);
}

TEST(ParseConfigTest, AppendsToTheListWithoutClearingIt) {
  Parsed parsed{{Entry("old", "1", "a", "", "")}, {}};
  ParseConfig("new|2|b\r\n", parsed.list, parsed.options);
  ASSERT_EQ(parsed.list.size(), 2u);
  EXPECT_EQ(parsed.list[0].host, "old");
  EXPECT_EQ(parsed.list[1].host, "new");
}

struct RecordCase {
  const char* name;
  std::string line;
  ServerEntry expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class ParseRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(ParseRecordTest, OneLineGivesOneEntry) {
  const RecordCase& c = GetParam();
  const Parsed parsed = Parse(c.line);
  ASSERT_EQ(parsed.list.size(), 1u) << c.name;
  ExpectSameEntry(parsed.list[0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseRecordTest,
    ::testing::Values(RecordCase{"every field empty", "||||\r\n", Entry("", "", "", "", "")},
                      RecordCase{"three fields", "h|p|a\r\n", Entry("h", "p", "a", "", "")},
                      RecordCase{"last line without CR LF", "h|p|a|pw|r",
                                 Entry("h", "p", "a", "pw", "r")},
                      RecordCase{"the sixth field is the group, later ones dropped",
                                 "1|2|3|4|5|6|7\r\n", Grouped(Entry("1", "2", "3", "4", "5"), "6")},
                      RecordCase{"0x7C trail byte inside a field",
                                 "\xC4\x7C|p|\xC4\x7C"
                                 "a\r\n",
                                 Entry("\xC4\x7C", "p",
                                       "\xC4\x7C"
                                       "a",
                                       "", "")},
                      RecordCase{"bare LF stays inside a field", "h|p|a\nb|pw|r\r\n",
                                 Entry("h", "p", "a\nb", "pw", "r")},
                      RecordCase{"a record line holding a marker is still a record",
                                 "#Start:1|p|a\r\n", Entry("#Start:1", "p", "a", "", "")},
                      RecordCase{"euro sign at the end of every field",
                                 "h\x80|p\x80|a\x80|pw\x80|r\x80\r\n",
                                 Entry("h\x80", "p\x80", "a\x80", "pw\x80", "r\x80")},
                      RecordCase{"0xFF at the end of the password", "h|p|a|pw\xFF|note\r\n",
                                 Entry("h", "p", "a", "pw\xFF", "note")},
                      RecordCase{"euro sign and separator inside a field, as once saved",
                                 "h|p|a|pw\x80|x|note\r\n", Entry("h", "p", "a", "pw\x80|x", "note")},
                      RecordCase{"euro sign and separator inside the remark, as once saved",
                                 "h|p|a|pw|x\x80|y\r\n", Entry("h", "p", "a", "pw", "x\x80|y")},
                      // Six fields by the earlier split: such a record given a group.
                      RecordCase{"euro sign and separator inside a field, and a group",
                                 "h|p|a|pw\x80|x|note|more\r\n",
                                 Grouped(Entry("h", "p", "a", "pw\x80|x", "note"), "more")},
                      RecordCase{"a remark ending in a euro sign, its group and the padding",
                                 "h|p|a|pw|r\x80|g|||\r\n",
                                 Grouped(Entry("h", "p", "a", "pw", "r\x80"), "g")},
                      // Never written so: six by the earlier split, read as above.
                      RecordCase{"a euro sign's group with too little padding",
                                 "h|p|a|pw|r\x80|g||\r\n",
                                 Entry("h", "p", "a", "pw", "r\x80|g")},
                      RecordCase{"two euro signs before separators: the current split",
                                 "h|p|a\x80|pw\x80|r|g\r\n",
                                 Grouped(Entry("h", "p", "a\x80", "pw\x80", "r"), "g")}));

// Each entry in a group is written as its five fields, the group and at most
// a few separators, and reads back whole; a reader that splits by "|" and
// keeps five fields sees the same five fields as for the entry without its group.
TEST(ConfigRoundTripTest, AGroupIsASixthFieldEveryEarlierReaderPassesOver) {
  const ServerEntry rows[] = {
      Grouped(Entry("h", "p", "a", "pw", "r"), "\xC9\xFA\xB2\xFA/db"),  // "生产/db"
      Grouped(Entry("h", "p", "a", "pw", "r\x80"), "g"),
      Grouped(Entry("h", "p", "a", "pw", "r\x80"), "g\x80"),
      Grouped(Entry("h", "p", "a", "pw\x80", "r"), "g"),
      Grouped(Entry("h\xFF", "p", "a", "pw", ""), "g"),
      Grouped(Entry("h", "p", "a", "pw", "one\r\ntwo\x80"), "g"),
      Grouped(Entry("h", "p", "a", "pw\x80|x", "note"), "g"),  // read from an earlier version
  };
  for (const ServerEntry& row : rows) {
    SCOPED_TRACE(row.password + "|" + row.remark + "|" + row.group);
    const std::string text = ComposeConfigText({row}, {}, "");
    const Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.list.size(), 1u);
    ExpectSameEntry(parsed.list[0], row);

    const std::string line = text.substr(0, text.find("\r\n"));
    const std::string ungrouped = ComposeConfigText({Grouped(row, "")}, {}, "");
    const std::string ungroupedLine = ungrouped.substr(0, ungrouped.find("\r\n"));
    ASSERT_TRUE(line.starts_with(ungroupedLine + "|" + row.group));
    EXPECT_LE(line.size(), ungroupedLine.size() + 1 + row.group.size() + 4);
    std::vector<std::string> fiveFields = SplitText(line, "|");
    std::vector<std::string> expected = SplitText(ungroupedLine + "|", "|");
    fiveFields.resize(5);
    expected.resize(5);
    EXPECT_EQ(fiveFields, expected);
  }
}

TEST(ComposeConfigTextTest, OnlyAServerInAGroupHasASixthField) {
  const ServerList list = {Entry("a", "1", "u", "", "x"), Grouped(Entry("b", "2", "v", "", ""), "g/h")};
  EXPECT_EQ(ComposeConfigText(list, {}, ""),
            "a|1|u||x\r\nb|2|v|||g/h\r\n#Start:0\r\n#LoadinPass:<>\r\n");
}

ServerEntry WithSettings(ServerEntry entry, std::string group, std::string settings) {
  entry.group = std::move(group);
  entry.settings = std::move(settings);
  return entry;
}

TEST(ComposeConfigTextTest, OnlyAServerWithSettingsHasASeventhField) {
  const ServerList list = {
      Entry("a", "1", "u", "", "x"), WithSettings(Entry("b", "2", "v", "", ""), "", "display=full"),
      WithSettings(Entry("c", "3", "w", "", "r"), "g", "admin=1;start=cmdline")};
  const std::string text = ComposeConfigText(list, {}, "");
  EXPECT_EQ(text,
            "a|1|u||x\r\nb|2|v||||display=full\r\nc|3|w||r|g|admin=1;start=cmdline\r\n"
            "#Start:0\r\n#LoadinPass:<>\r\n");
  const Parsed parsed = Parse(text);
  ASSERT_EQ(parsed.list.size(), 3u);
  for (std::size_t n = 0; n < list.size(); ++n) {
    ExpectSameEntry(parsed.list[n], list[n]);
    EXPECT_EQ(parsed.list[n].settings, list[n].settings);
  }
}

// The settings come back as written, also after a field ending in "€"; the
// group-reading version reads the same group, and a reader that keeps five
// fields the same five as without settings.
TEST(ConfigRoundTripTest, SettingsAreASeventhFieldEveryEarlierReaderPassesOver) {
  const ServerEntry rows[] = {
      WithSettings(Entry("h", "p", "a", "pw", "r"), "", "audio=none"),
      WithSettings(Entry("h", "p", "a", "pw", "r\x80"), "", "audio=none"),
      WithSettings(Entry("h", "p", "a", "pw", "r\x80"), "g", "audio=none"),
      WithSettings(Entry("h", "p", "a", "pw", "r"), "g\x80", "audio=none"),
      WithSettings(Entry("h", "p", "a", "pw\x80", "r\x80"), "g\x80", "future=1"),
      WithSettings(Entry("h\xFF", "p", "a", "pw", ""), "", "x"),
  };
  for (const ServerEntry& row : rows) {
    SCOPED_TRACE(row.password + "|" + row.remark + "|" + row.group + "|" + row.settings);
    const std::string text = ComposeConfigText({row}, {}, "");
    const Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.list.size(), 1u);
    ExpectSameEntry(parsed.list[0], row);
    EXPECT_EQ(parsed.list[0].settings, row.settings);

    const std::string line = text.substr(0, text.find("\r\n"));
    const std::string plain = ComposeConfigText({WithSettings(row, row.group, "")}, {}, "");
    const Parsed plainParsed = Parse(plain);
    ASSERT_EQ(plainParsed.list.size(), 1u);
    EXPECT_EQ(plainParsed.list[0].group, row.group);
    std::vector<std::string> fiveFields = SplitText(line, "|");
    std::vector<std::string> expected = SplitText(plain.substr(0, plain.find("\r\n")) + "|", "|");
    fiveFields.resize(5);
    expected.resize(5);
    EXPECT_EQ(fiveFields, expected);
  }
  // Read from an earlier version, a password holding "€|" keeps its fields;
  // the settings would shift them and are left out.
  for (const char* group : {"", "g"}) {
    const ServerEntry row =
        WithSettings(Entry("h", "p", "a", "pw\x80|x", "note"), group, "admin=1");
    const Parsed parsed = Parse(ComposeConfigText({row}, {}, ""));
    ASSERT_EQ(parsed.list.size(), 1u);
    ExpectSameEntry(parsed.list[0], row);
    EXPECT_EQ(parsed.list[0].settings, "");
  }
}

// What each pair means is tested through the profile lines and switches it
// gives; here, that every choice reads back and is written as one pair.
TEST(SettingsFieldTest, EachChoiceIsOnePairOnlyWhenItDoesNotFollow) {
  const std::string everyChoice =
      "display=full;smartsizing=1;dynres=0;disks=all;clipboard=0;printers=1;audio=none;"
      "recording=1;comports=0;smartcards=1;admin=1;gateway=gw;gatewayuse=always;"
      "gatewaycreds=0;start=cmdline";
  for (const char* field : {"display=small",
                            "display=full",
                            "display=all",
                            "display=custom:1920x1080",
                            "display=custom:200x8192",
                            "display=monitors:0,1",
                            "display=monitors:12",
                            "smartsizing=1",
                            "smartsizing=0",
                            "dynres=1",
                            "dynres=0",
                            "disks=none",
                            "disks=all",
                            "disks=drives:C,D",
                            "disks=drives:z",
                            "clipboard=0",
                            "clipboard=1",
                            "printers=1",
                            "printers=0",
                            "audio=local",
                            "audio=remote",
                            "audio=none",
                            "recording=1",
                            "recording=0",
                            "comports=1",
                            "comports=0",
                            "smartcards=1",
                            "smartcards=0",
                            "admin=1",
                            "admin=0",
                            "gateway=gw.example:443",
                            "gatewayuse=none",
                            "gatewayuse=always",
                            "gatewayuse=detect",
                            "gatewaycreds=1",
                            "gatewaycreds=0",
                            "start=cmdline",
                            everyChoice.c_str()}) {
    SCOPED_TRACE(field);
    const ConnectionSettings settings = ParseSettingsField(field);
    EXPECT_TRUE(settings.HasSettings());
    EXPECT_EQ(ComposeSettingsField(settings), field);
  }
  ConnectionSettings settings;
  EXPECT_FALSE(settings.HasSettings());
  EXPECT_EQ(ComposeSettingsField(settings), "");
  settings.start = StartMode::CommandLine;  // set in another order than written
  settings.forceAdmin = Toggle::On;
  settings.display = DisplayMode::Custom;
  settings.customWidth = 1024;
  settings.customHeight = 768;
  EXPECT_EQ(ComposeSettingsField(settings), "display=custom:1024x768;admin=1;start=cmdline");
  EXPECT_TRUE(ParseSettingsField(ComposeSettingsField(settings)) == settings);
}

TEST(SettingsFieldTest, UnknownPairsAndBadValuesAreIgnoredAndUnknownOnesKept) {
  for (const char* field : {"future=1",
                            "display=huge",
                            "display=custom:1920",
                            "display=custom:199x900",
                            "display=custom:1920x8193",
                            "display=custom:-1x900",
                            "display=monitors:",
                            "display=monitors:0,",
                            "display=monitors:a",
                            "disks=drives:",
                            "disks=drives:C,",
                            "disks=drives:CD",
                            "disks=drives:1",
                            "clipboard=2",
                            "clipboard=",
                            "clipboard",
                            "audio=loud",
                            "gateway=",
                            "gatewayuse=4",
                            "start=file",
                            "Admin=1",
                            ";;",
                            "=1"}) {
    SCOPED_TRACE(field);
    EXPECT_FALSE(ParseSettingsField(field).HasSettings());
  }
  // An edit writes its own pairs, then the unknown ones of the text it read.
  const std::string read = "future=a=b;admin=1;clipboard=7;later=";
  ConnectionSettings edited = ParseSettingsField(read);
  EXPECT_EQ(edited.forceAdmin, Toggle::On);
  edited.printers = Toggle::Off;
  EXPECT_EQ(ComposeSettingsField(edited, read), "printers=0;admin=1;future=a=b;later=");
}

TEST(ParseConfigTest, ARemarkEndingInAEuroSignKeepsTheNextRecord) {
  const Parsed parsed = Parse("a|1|u||note\x80\r\nb|2|v||\r\n#Start:1\r\n");
  ASSERT_EQ(parsed.list.size(), 2u);
  ExpectSameEntry(parsed.list[0], Entry("a", "1", "u", "", "note\x80"));
  ExpectSameEntry(parsed.list[1], Entry("b", "2", "v", "", ""));
  EXPECT_TRUE(parsed.options.fullScreen);
}

TEST(ParseConfigTest, LinesOfFewerThanThreeFieldsAreNotRecords) {
  // A trailing separator adds no field, so "a|b|" has two.
  EXPECT_TRUE(Parse("a|b\r\na|b|\r\n||\r\n\r\n#LoadinPass:<x|y>\r\n").list.empty());
}

TEST(ParseConfigTest, RemarkLineBreaksOfAnOlderFileBecomeLinesOfTheirOwn) {
  // Written before remarks kept their line breaks: the record ended at the first one.
  const Parsed parsed = Parse("h|p|a|pw|first\r\nsecond|x|y\r\n#admin:1\r\n#Start:0\r\n");
  ASSERT_EQ(parsed.list.size(), 2u);
  ExpectSameEntry(parsed.list[0], Entry("h", "p", "a", "pw", "first"));
  ExpectSameEntry(parsed.list[1], Entry("second", "x", "y", "", ""));
  EXPECT_TRUE(parsed.options.forceAdmin);
}

TEST(ConfigRoundTripTest, RemarkLineBreaksSurviveAsOneRecordLine) {
  struct Case {
    const char* remark;
    const char* stored;  // the record line as written
    const char* loaded;
  };
  for (const Case& c : {
           Case{"one\r\ntwo\r\n", "h|p|a|pw|one\ntwo\n\r\n", "one\r\ntwo\r\n"},
           Case{"lone\rcr", "h|p|a|pw|lone\ncr\r\n", "lone\r\ncr"},
           Case{"\r\n#admin:1\r\n#Start:1", "h|p|a|pw|\n#admin:1\n#Start:1\r\n",
                "\r\n#admin:1\r\n#Start:1"},
       }) {
    SCOPED_TRACE(c.remark);
    const std::string text = ComposeConfigText({Entry("h", "p", "a", "pw", c.remark)}, {}, "");
    EXPECT_EQ(text, std::string(c.stored) + "#Start:0\r\n#LoadinPass:<>\r\n");
    const Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.list.size(), 1u);
    ExpectSameEntry(parsed.list[0], Entry("h", "p", "a", "pw", c.loaded));
  }
}

TEST(ParseConfigTest, ThePasswordLineIsNeitherARecordNorAnOption) {
  for (const char* password : {"a|b|c", "x|#Start:1", "#admin:1", "||||"}) {
    SCOPED_TRACE(password);
    const std::string text = ComposeConfigText({}, {}, password);
    const Parsed parsed = Parse(text);
    EXPECT_TRUE(parsed.list.empty());
    EXPECT_FALSE(parsed.options.forceAdmin);
    EXPECT_FALSE(parsed.options.fullScreen);
    EXPECT_EQ(StartupPasswordOf(text), password);
  }
}

TEST(ParseConfigTest, ReadsNothingAfterTheFirstZeroByte) {
  using namespace std::string_literals;
  const Parsed parsed = Parse("a|1|x\r\n\0b|2|y\r\n#admin:1\r\n#Start:1\r\n"s);
  ASSERT_EQ(parsed.list.size(), 1u);
  EXPECT_EQ(parsed.list[0].host, "a");
  EXPECT_FALSE(parsed.options.forceAdmin);
  EXPECT_FALSE(parsed.options.fullScreen);
}

// ---- Damaged or foreign files ----------------------------------------------

TEST(IsDamagedConfigTest, AZeroByteInsideOrNoLineOfThisProgramMeansDamaged) {
  using namespace std::string_literals;
  const struct {
    const char* name;
    std::string plain;
    bool damaged;
  } rows[] = {
      {"empty file", "", false},
      {"what a save of nothing writes", ComposeConfigText({}, {}, ""), false},
      {"a zero byte cuts the list", "a|1|x\r\n\0b|2|y\r\n#Start:0\r\n"s, true},
      {"a zero byte as the last byte cuts nothing", "a|1|x\r\n#Start:0\r\n\0"s, false},
      {"a zero byte alone", "\0"s, true},
      {"records only", "a|1|x", false},
      {"password line only", "#LoadinPass:<>", false},
      {"forced login line only", "#admin:1\r\n", false},
      {"screen line only", "#Start:1", false},
      {"console line only", "#onsole:1", false},
      {"noise", "\x93\x11q=\xE0\xFF\x7C?", true},
      {"noise holding a marker inside a line", "\x93#Start:1\r\nx|y", true},
      {"line breaks only", "\r\n\r\n", true},
      {"an ini file of another program", "[servers]\r\nhost=10.0.0.1\r\n", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsDamagedConfig(row.plain), row.damaged);
  }
}

struct OptionCase {
  const char* name;
  std::string text;
  ConfigOptions before;
  ConfigOptions after;
};

void PrintTo(const OptionCase& c, std::ostream* os) {
  *os << c.name;
}

class ParseOptionTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(ParseOptionTest, SetsTheOptions) {
  const OptionCase& c = GetParam();
  const Parsed parsed = Parse(c.text, c.before);
  EXPECT_EQ(parsed.options.forceAdmin, c.after.forceAdmin) << c.name;
  EXPECT_EQ(parsed.options.fullScreen, c.after.fullScreen) << c.name;
}

constexpr ConfigOptions kCleared{.forceAdmin = false, .fullScreen = false};
constexpr ConfigOptions kAdminOnly{.forceAdmin = true, .fullScreen = false};
constexpr ConfigOptions kFullOnly{.forceAdmin = false, .fullScreen = true};
constexpr ConfigOptions kBoth{.forceAdmin = true, .fullScreen = true};

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseOptionTest,
    ::testing::Values(
        OptionCase{"no option lines keep the states", "a|b|c\r\n", kBoth, kBoth},
        OptionCase{"#admin:1 checks", "#admin:1\r\n", kCleared, kAdminOnly},
        OptionCase{"#admin:0 never clears", "#admin:0\r\n", kAdminOnly, kAdminOnly},
        OptionCase{"#admin:0 leaves cleared", "#admin:0\r\n", kCleared, kCleared},
        OptionCase{"a later #admin:0 does not undo #admin:1", "#admin:1\r\n#admin:0\r\n", kCleared,
                   kAdminOnly},
        OptionCase{"#Start:1 selects full screen", "#Start:1\r\n", kCleared, kFullOnly},
        OptionCase{"#Start:0 selects small screen", "#Start:0\r\n", kFullOnly, kCleared},
        OptionCase{"#Start: ending in another byte is small screen", "#Start:x\r\n", kFullOnly,
                   kCleared},
        OptionCase{"#Start:1 with a trailing space is small screen", "#Start:1 \r\n", kFullOnly,
                   kCleared},
        OptionCase{"the last #Start: line wins", "#Start:1\r\n#Start:0\r\n", kCleared, kCleared},
        OptionCase{"marker anywhere, last byte decides", "xx#admin:yy1\r\n", kCleared, kAdminOnly},
        OptionCase{"#admin: is tested before #Start:", "#Start:0 #admin:1\r\n", kFullOnly, kBoth},
        OptionCase{"#admin: decides alone, even when #Start: follows", "#Start:1 #admin:0\r\n",
                   kFullOnly, kFullOnly},
        OptionCase{"#onsole: stops the other tests", "#onsole: #admin: #Start:1\r\n", kCleared,
                   kCleared},
        OptionCase{"record line holding a marker is only a record",
                   "h|p|#Start:1\r\nh|#admin:|1\r\n", kCleared, kCleared},
        OptionCase{"marker tests are case-sensitive", "#ADMIN:1\r\n#start:1\r\n", kCleared,
                   kCleared},
        OptionCase{"marker behind a lead byte is not seen", "\x81#admin:1\r\n", kCleared,
                   kCleared}));

// ---- Start-up password ---------------------------------------------------------

TEST(StartupPasswordOfTest, TakesThePasswordLine) {
  using namespace std::string_literals;
  EXPECT_EQ(StartupPasswordOf("#Start:0\r\n#LoadinPass:<secret>\r\n"), "secret");
  EXPECT_EQ(StartupPasswordOf("#Start:0\r\n#LoadinPass:<>\r\n"), "");
  EXPECT_EQ(StartupPasswordOf("#LoadinPass:<a>b>\r\n"), "a");
  EXPECT_EQ(StartupPasswordOf("#LoadinPass:<a>\r\n#LoadinPass:<b>\r\n"), "a||b");
  EXPECT_EQ(StartupPasswordOf("#Start:0\r\n\0#LoadinPass:<hidden>\r\n"s), "");
  // A server's texts may hold the marker; only the password line counts.
  EXPECT_EQ(StartupPasswordOf("h|p|a|pw|#LoadinPass:<x>\r\n#Start:0\r\n#LoadinPass:<>\r\n"), "");
}

TEST(StartupPasswordOfTest, PasswordWithCloseBracketKeepsOnlyItsFirstPart) {
  const std::string text = ComposeConfigText({}, {}, "ab>cd");
  EXPECT_EQ(StartupPasswordOf(text), "ab");
}

}  // namespace
}  // namespace rdc
