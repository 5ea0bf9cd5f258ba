// Tests of the connection profile: the template's exact bytes, and whole
// composed profiles compared byte for byte.
#include "launch/profile.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rdc {
namespace {

// GBK bytes used below.
const std::string kAddressPlaceholder =
    "%\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xD8\xD6\xB7%";                              // %服务器地址%
const std::string kAccountPlaceholder = "%\xD5\xCB\xBA\xC5%";                  // %账号%
const std::string kPasswordPlaceholder = "%\xC3\xDC\xC2\xEB%";                 // %密码%
const std::string kDisksPlaceholder = "%\xB4\xC5\xC5\xCC%";                    // %磁盘%
const std::string kSmartCardPlaceholder = "%\xD6\xC7\xC4\xDC\xBF\xA8%";        // %智能卡%
const std::string kChineseHost = "\xB7\xFE\xCE\xF1\xC6\xF7.\xD6\xD0\xB9\xFA";  // 服务器.中国
const std::string kChineseAccount = "\xB9\xDC\xC0\xED\xD4\xB1";                // 管理员

// The file as the client reads it, line by line, before filling.
std::vector<std::string> TemplateLines() {
  return {"screen mode id:i:2",
          "desktopwidth:i:1280",
          "desktopheight:i:800",
          "session bpp:i:16",
          "winposstr:s:0,3,0,0,800,600",
          "full address:s:" + kAddressPlaceholder,
          "compression:i:1",
          "keyboardhook:i:2",
          "audiomode:i:0",
          "redirectdrives:i:0",
          "redirectprinters:i:0",
          "redirectcomports:i:0",
          kDisksPlaceholder,
          "displayconnectionbar:i:1",
          "autoreconnection enabled:i:1",
          "username:s:" + kAccountPlaceholder,
          "alternate shell:s:",
          "shell working directory:s:",
          kPasswordPlaceholder,
          "disable wallpaper:i:1",
          "disable full window drag:i:1",
          "disable menu anims:i:1",
          "disable themes:i:0",
          "disable cursor setting:i:0",
          "bitmapcachepersistenable:i:1",
          "use multimon:i:0",
          "audiocapturemode:i:0",
          "videoplaybackmode:i:1",
          "connection type:i:2",
          "allow font smoothing:i:0",
          "allow desktop composition:i:0",
          "redirectclipboard:i:1",
          "redirectposdevices:i:0",
          "redirectdirectx:i:1",
          kSmartCardPlaceholder,
          "authentication level:i:0",
          "prompt for credentials:i:0",
          "negotiate security layer:i:1",
          "remoteapplicationmode:i:0",
          "gatewayhostname:s:",
          "gatewayusagemethod:i:4",
          "gatewaycredentialssource:i:4",
          "gatewayprofileusagemethod:i:0",
          "promptcredentialonce:i:1",
          "use redirection server name:i:0"};
}

std::string JoinWithCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t n = 0; n < lines.size(); ++n) text += (n == 0 ? "" : "\r\n") + lines[n];
  return text;
}

// The template with the given 1-based lines replaced.
std::string TemplateWith(const std::map<int, std::string>& changedLines) {
  std::vector<std::string> lines = TemplateLines();
  for (const auto& [number, text] : changedLines) lines.at(number - 1) = text;
  return JoinWithCrLf(lines);
}

TEST(ProfileTest, TemplateIs45LinesOf1038GbkBytesWithoutFinalLineEnd) {
  const std::string_view text = ProfileTemplate();
  EXPECT_EQ(text.size(), 1038u);
  EXPECT_EQ(text, JoinWithCrLf(TemplateLines()));
  std::size_t lineEnds = 0;
  for (std::size_t n = 0; (n = text.find("\r\n", n)) != std::string_view::npos; n += 2) ++lineEnds;
  EXPECT_EQ(lineEnds, 44u);
  EXPECT_EQ(text.substr(text.size() - 31), "use redirection server name:i:0");
}

struct ComposeRow {
  const char* what;
  std::string account, host, port;
  std::optional<std::string> passwordValue;
  bool shareDisks;
  std::map<int, std::string> expectedLines;  // every other line stays as in the template
};

TEST(ProfileTest, ComposesWholeProfilesByteForByte) {
  const ComposeRow rows[] = {
      {"Chinese host and account go in as their GBK bytes; disks not shared",
       kChineseAccount,
       kChineseHost,
       "3389",
       "ABCDEF0",
       false,
       {{6, "full address:s:" + kChineseHost + ":3389"},
        {13, "redirectsmartcards:i:1"},
        {16, "username:s:" + kChineseAccount},
        {19, "password 51:b:ABCDEF0"},
        {35, "drivestoredirect:s:"}}},
      {"disks shared: smart cards off, every drive redirected",
       "administrator",
       "10.0.0.1",
       "3390",
       "0",
       true,
       {{6, "full address:s:10.0.0.1:3390"},
        {13, "redirectsmartcards:i:0"},
        {16, "username:s:administrator"},
        {19, "password 51:b:0"},
        {35, "drivestoredirect:s:*"}}},
      {"no password value keeps the password placeholder; an empty port leaves the colon",
       "root",
       "example.org",
       "",
       std::nullopt,
       false,
       {{6, "full address:s:example.org:"},
        {13, "redirectsmartcards:i:1"},
        {16, "username:s:root"},
        {35, "drivestoredirect:s:"}}},
      {"an empty host leaves the colon right after the line's name",
       "",
       "",
       "3389",
       "00",
       true,
       {{6, "full address:s::3389"},
        {13, "redirectsmartcards:i:0"},
        {16, "username:s:"},
        {19, "password 51:b:00"},
        {35, "drivestoredirect:s:*"}}},
  };
  for (const ComposeRow& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ComposeProfile(row.account, row.host, row.port, row.passwordValue, row.shareDisks),
              TemplateWith(row.expectedLines));
  }
}

// A server's settings change their own lines of the 45 and add the lines
// the template lacks after the last one; every other line is as without settings.
TEST(ProfileTest, EachSettingChangesItsOwnLineOrAddsOneAfterTheLast) {
  const struct {
    const char* field;
    std::map<int, std::string> changed;
    std::vector<std::string> added;
  } rows[] = {
      {"", {}, {}},
      {"future=1;start=cmdline;admin=1", {}, {}},  // no line of the profile
      {"display=small",
       {{1, "screen mode id:i:1"}, {2, "desktopwidth:i:1440"}, {3, "desktopheight:i:900"}},
       {}},
      {"display=full", {}, {}},  // the template's full-screen lines
      {"display=custom:1920x1080",
       {{1, "screen mode id:i:1"}, {2, "desktopwidth:i:1920"}, {3, "desktopheight:i:1080"}},
       {}},
      {"display=all", {{26, "use multimon:i:1"}}, {}},
      {"display=monitors:0,2", {{26, "use multimon:i:1"}}, {"selectedmonitors:s:0,2"}},
      {"smartsizing=1", {}, {"smart sizing:i:1"}},
      {"dynres=0", {}, {"dynamic resolution:i:0"}},
      {"disks=none", {}, {}},
      {"disks=all", {{35, "drivestoredirect:s:*"}}, {}},
      {"disks=drives:C,D", {{35, "drivestoredirect:s:C:\\;D:\\"}}, {}},
      {"clipboard=0", {{32, "redirectclipboard:i:0"}}, {}},
      {"printers=1", {{11, "redirectprinters:i:1"}}, {}},
      {"audio=local", {}, {}},
      {"audio=remote", {{9, "audiomode:i:1"}}, {}},
      {"audio=none", {{9, "audiomode:i:2"}}, {}},
      {"recording=1", {{27, "audiocapturemode:i:1"}}, {}},
      {"comports=1", {{12, "redirectcomports:i:1"}}, {}},
      {"smartcards=0", {{13, "redirectsmartcards:i:0"}}, {}},
      {"gateway=gw.example:443",
       {{40, "gatewayhostname:s:gw.example:443"},
        {41, "gatewayusagemethod:i:1"},
        {43, "gatewayprofileusagemethod:i:1"}},
       {}},
      {"gateway=gw;gatewayuse=detect",
       {{40, "gatewayhostname:s:gw"},
        {41, "gatewayusagemethod:i:2"},
        {43, "gatewayprofileusagemethod:i:1"}},
       {}},
      {"gatewayuse=none",
       {{41, "gatewayusagemethod:i:0"}, {43, "gatewayprofileusagemethod:i:1"}},
       {}},
      {"gatewayuse=always",
       {{41, "gatewayusagemethod:i:1"}, {43, "gatewayprofileusagemethod:i:1"}},
       {}},
      {"gatewayuse=detect",
       {{41, "gatewayusagemethod:i:2"}, {43, "gatewayprofileusagemethod:i:1"}},
       {}},
      {"gatewaycreds=0", {{44, "promptcredentialonce:i:0"}}, {}},
      {"dynres=1;display=monitors:1;smartsizing=0",
       {{1, "screen mode id:i:2"}, {26, "use multimon:i:1"}},
       {"selectedmonitors:s:1", "smart sizing:i:0", "dynamic resolution:i:1"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.field);
    std::map<int, std::string> lines = {{6, "full address:s:h:1"},
                                        {13, "redirectsmartcards:i:1"},
                                        {16, "username:s:a"},
                                        {19, "password 51:b:P"},
                                        {35, "drivestoredirect:s:"}};
    for (const auto& [number, text] : row.changed) lines[number] = text;
    std::string expected = TemplateWith(lines);
    for (const std::string& line : row.added) expected += "\r\n" + line;
    EXPECT_EQ(ComposeProfile("a", "h", "1", "P", false, ParseSettingsField(row.field)), expected);
  }
  // Following settings leave the main window's disks as they are.
  EXPECT_EQ(ComposeProfile("a", "h", "1", "P", true, ConnectionSettings{}),
            ComposeProfile("a", "h", "1", "P", true));
  EXPECT_EQ(ComposeProfile("a", "h", "1", std::nullopt, true, ParseSettingsField("disks=none")),
            TemplateWith({{6, "full address:s:h:1"},
                          {13, "redirectsmartcards:i:0"},
                          {16, "username:s:a"},
                          {35, "drivestoredirect:s:"}}));
}

// The client reads the port after the last colon; an IPv6 literal's own
// colons are enclosed in brackets.
TEST(ProfileTest, FullAddressOfIpv6LiteralsIsBracketed) {
  const std::pair<std::string_view, std::string_view> rows[] = {
      {"2001:db8::5", "full address:s:[2001:db8::5]:3389"},
      {"[2001:db8::5]", "full address:s:[2001:db8::5]:3389"},
      {"::1", "full address:s:[::1]:3389"},
      {"fe80::1%3", "full address:s:[fe80::1%3]:3389"},
      {"::ffff:192.0.2.1", "full address:s:[::ffff:192.0.2.1]:3389"},
      {"192.0.2.1", "full address:s:192.0.2.1:3389"},
      {"server.example", "full address:s:server.example:3389"},
  };
  for (const auto& [host, line] : rows)
    EXPECT_EQ(ComposeProfile("a", host, "3389", std::nullopt, false),
              TemplateWith({{6, std::string(line)},
                            {13, "redirectsmartcards:i:1"},
                            {16, "username:s:a"},
                            {35, "drivestoredirect:s:"}}))
        << host;
}

// Each step works on the previous step's result, so a placeholder brought in
// by the account is filled by a later step; the host comes in after the
// account's step and keeps an account placeholder as text.
TEST(ProfileTest, PlaceholdersInsideInsertedValuesFollowTheOrderOfTheSteps) {
  const std::string profile =
      ComposeProfile("a" + kAddressPlaceholder + kPasswordPlaceholder + kDisksPlaceholder,
                     "h" + kAccountPlaceholder, "1", "FF0", true);
  EXPECT_EQ(profile, TemplateWith({{6, "full address:s:h" + kAccountPlaceholder + ":1"},
                                   {13, "redirectsmartcards:i:0"},
                                   {16, "username:s:ah" + kAccountPlaceholder +
                                            ":1password 51:b:FF0redirectsmartcards:i:0"},
                                   {19, "password 51:b:FF0"},
                                   {35, "drivestoredirect:s:*"}}));

  // Without a password value the password placeholder stays wherever it is.
  const std::string withoutPassword =
      ComposeProfile(kPasswordPlaceholder, "h", "1", std::nullopt, false);
  EXPECT_EQ(withoutPassword, TemplateWith({{6, "full address:s:h:1"},
                                           {13, "redirectsmartcards:i:1"},
                                           {16, "username:s:" + kPasswordPlaceholder},
                                           {35, "drivestoredirect:s:"}}));
}

// A placeholder is matched only where a character starts: after a lone lead
// byte, its "%" is the second byte of a double-byte character.
TEST(ProfileTest, PlaceholderIsMatchedOnlyAtCharacterStarts) {
  const std::string straddling = "\x81" + kPasswordPlaceholder;  // 0x81 '%' is one character
  const std::string afterWholeChar = "\xB0\xA1" + kPasswordPlaceholder;  // 啊 then the placeholder
  const std::string afterEuro = "\x80" + kPasswordPlaceholder;  // "€" is a character of its own
  const std::string profile =
      ComposeProfile(straddling + afterWholeChar + afterEuro, "h", "1", "AB0", false);
  EXPECT_EQ(profile, TemplateWith({{6, "full address:s:h:1"},
                                   {13, "redirectsmartcards:i:1"},
                                   {16, "username:s:" + straddling +
                                            "\xB0\xA1password 51:b:AB0\x80password 51:b:AB0"},
                                   {19, "password 51:b:AB0"},
                                   {35, "drivestoredirect:s:"}}));
}

}  // namespace
}  // namespace rdc
