// The text rules of the importers: decoding files, the forms secrets are
// written in, addresses and accounts.
#include "import/import_text.h"

#include <gtest/gtest.h>

#include "fake_import_environment.h"
#include "import/imported_server.h"

namespace rdc {
namespace {

TEST(DecodeTextFileTest, MarksUtf8AndAnsi) {
  struct Case {
    std::string bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {std::string("\xFF\xFE" "a\0:\0\x2C\x67\r\0\n\0", 12), u"a:本\r\n"},
      {"\xEF\xBB\xBF" "a:\xE6\x9C\xAC", u"a:本"},
      {"a:\xE6\x9C\xAC\n", u"a:本\n"},
      // Not UTF-8: the ANSI code page (Latin-1 in the tests).
      {"a:\xE9t\xE9", u"a:\u00E9t\u00E9"},
      {std::string("\xFF\xFE" "a\0b", 5), u"a"},  // an odd last byte is dropped
      {"", u""},
  };
  test::FakeImportEnvironment environment;
  for (const Case& c : cases) EXPECT_EQ(DecodeTextFile(c.bytes, environment), c.text) << c.bytes;
}

TEST(BeginsLikeXmlTest, FirstCharacterAfterMarkAndSpace) {
  EXPECT_TRUE(BeginsLikeXml("<?xml version=\"1.0\"?><a/>"));
  EXPECT_TRUE(BeginsLikeXml("\xEF\xBB\xBF\r\n  <RDCMan>"));
  EXPECT_TRUE(BeginsLikeXml(std::string("\xFF\xFE \0<\0", 6)));
  EXPECT_FALSE(BeginsLikeXml("full address:s:<host>"));
  EXPECT_FALSE(BeginsLikeXml(std::string("\xFF\xFE" "f\0<\0", 6)));
  EXPECT_FALSE(BeginsLikeXml(" \r\n"));
}

TEST(SecretFormsTest, Base64AndHex) {
  EXPECT_EQ(BytesFromBase64(u"AAEC/w=="), std::string("\x00\x01\x02\xFF", 4));
  EXPECT_EQ(BytesFromBase64(u" YWJj\r\nZA== "), "abcd");
  EXPECT_EQ(BytesFromBase64(u"YWJjZA"), "abcd");  // padding left off
  EXPECT_EQ(BytesFromBase64(u""), "");
  for (const std::u16string_view bad : {u"YWJjZ", u"YW=Jj", u"YWJjZA=", u"YWJ*", u"YQ==="})
    EXPECT_EQ(BytesFromBase64(bad), std::nullopt) << std::string(bad.begin(), bad.end());

  EXPECT_EQ(BytesFromHex(u"01aBfF"), "\x01\xAB\xFF");
  EXPECT_EQ(BytesFromHex(u"01AB0"), "\x01\xAB");  // this program's own blobs end in one more digit
  EXPECT_EQ(BytesFromHex(u"01G0"), std::nullopt);
  EXPECT_EQ(BytesFromHex(u"01 2"), std::nullopt);
}

TEST(Utf8Test, RoundTripAndRefusals) {
  const std::u16string text = u"a本\U0001F600";
  EXPECT_EQ(Utf16FromUtf8(Utf8FromUtf16(text)), text);
  EXPECT_EQ(Utf8FromUtf16(u"\xD800x"), "\xEF\xBF\xBDx");  // a lone surrogate
  for (const std::string_view bad : {"\xC0\xAF", "\xE6\x9C", "\xED\xA0\x80", "\xF5\x80\x80\x80"})
    EXPECT_EQ(Utf16FromUtf8(bad), std::nullopt);
}

TEST(SplitAddressTest, HostsPortsAndIpv6) {
  struct Case {
    std::u16string_view address, host, port;
  };
  const Case cases[] = {
      {u"server1", u"server1", u""},
      {u"server1:3390", u"server1", u"3390"},
      {u" 10.0.0.5:3391 ", u"10.0.0.5", u"3391"},
      {u"server1:", u"server1", u""},
      {u"server1:rdp", u"server1", u""},
      {u"server1:123456", u"server1", u""},
      {u"2001:db8::5", u"2001:db8::5", u""},  // a bare IPv6 literal has no port
      {u"[2001:db8::5]", u"2001:db8::5", u""},
      {u"[2001:db8::5]:3392", u"2001:db8::5", u"3392"},
      {u"[fe80::1%eth0]:3393", u"fe80::1%eth0", u"3393"},
      {u"", u"", u""},
  };
  for (const Case& c : cases) {
    const HostAndPort split = SplitAddress(c.address);
    EXPECT_EQ(split.host, c.host) << std::string(c.address.begin(), c.address.end());
    EXPECT_EQ(split.port, c.port) << std::string(c.address.begin(), c.address.end());
  }
}

TEST(AccountWithDomainTest, DomainOnlyForAPlainName) {
  EXPECT_EQ(AccountWithDomain(u"admin", u"CORP"), u"CORP\\admin");
  EXPECT_EQ(AccountWithDomain(u"OTHER\\admin", u"CORP"), u"OTHER\\admin");
  EXPECT_EQ(AccountWithDomain(u"admin@corp.example", u"CORP"), u"admin@corp.example");
  EXPECT_EQ(AccountWithDomain(u"admin", u""), u"admin");
  EXPECT_EQ(AccountWithDomain(u"", u"CORP"), u"");
}

TEST(RemarkLinesTest, NonEmptyLinesWithCrLf) {
  EXPECT_EQ(RemarkLines({u"Web", u" ", u"line 1\nline 2\n", u"last"}),
            u"Web\r\nline 1\r\nline 2\r\nlast");
  EXPECT_EQ(RemarkLines({u"", u" \t"}), u"");
}

TEST(AppendGroupLevelTest, LevelsInTheirNormalForm) {
  const struct {
    std::u16string_view path, name, result;
  } rows[] = {
      {u"", u"北京", u"北京"}, {u"北京", u" 机房\t", u"北京/机房"}, {u"a", u"", u"a"},
      {u"a", u" \t ", u"a"},   {u"a", u"b/ c /", u"a/b/c"},         {u"", u"/x//y", u"x/y"},
  };
  for (const auto& row : rows) {
    std::u16string path(row.path);
    AppendGroupLevel(path, row.name);
    EXPECT_EQ(path, row.result);
  }
}

}  // namespace
}  // namespace rdc
