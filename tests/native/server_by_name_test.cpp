#include "model/server_by_name.h"

#include <gtest/gtest.h>

namespace rdc {
namespace {

ServerEntry Entry(const char* host, const char* port, const char* remark = "") {
  ServerEntry entry;
  entry.host = host;
  entry.port = port;
  entry.remark = remark;
  return entry;
}

TEST(EntryNumberByNameTest, HostRemarkFirstLineOrHostAndPortFirstMatchWins) {
  // "\xC2\x41" is one GBK character whose second byte is "A"; the last remark is 机房.
  const ServerList list{
      Entry("DB01.corp", "3389", "database\r\nsecond line"),
      Entry("web", "3389", "front"),
      Entry("web", "13389", "front, other port"),
      Entry("[2001:db8::5]", "3390"),
      Entry("\xC2\x41", "3389", "\xBB\xFA\xB7\xBF"),
      Entry("\x80" "a", "3389"),
  };
  const struct {
    const char* name;
    int number;
  } cases[] = {
      {"db01.CORP", 1},           // host, letter case ignored
      {"DATABASE", 1},            // the remark's first line
      {"second line", 0},         // not its second
      {"web", 2},                 // the first of two
      {"web:13389", 3},           // host and port
      {"web:3390", 0},            // no such port
      {"[2001:db8::5]:3390", 4},  // brackets around an IPv6 literal
      {"2001:db8::5:3390", 0},    // a bare IPv6 literal has no port
      {"\xC2\x61", 0},            // a second byte is not a letter to fold
      {"\xC2\x41", 5},
      {"\x80" "A", 6},  // "€" is a character of its own: the letter after it folds
      {"\x80" "a", 6},
      {"\xBB\xFA\xB7\xBF", 5},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(EntryNumberByName(list, c.name), c.number) << c.name;
}

}  // namespace
}  // namespace rdc
