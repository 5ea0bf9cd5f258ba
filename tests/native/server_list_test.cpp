// Tests of the server list's editing rules: what may be stored, and the
// numbering after a removal.
#include "model/server_list.h"

#include <gtest/gtest.h>

#include "model/config_file.h"

namespace rdc {
namespace {

TEST(IsStorableTest, RefusesWhatWouldShiftOrSplitTheRecord) {
  struct Case {
    ServerTexts texts;
    bool storable;
  };
  const Case cases[] = {
      {{"127.0.0.1", "3389", "Administrator", "", ""}, true},
      {{"", "", "", "", ""}, true},
      {{"h", "p", "\xC4\x7C", "\xC4\x7C", "\xC4\x7C"}, true},  // "膢": 0x7C is a trail byte
      {{"h", "p", "a", "pw", "line\r\nline\ttab"}, true},      // a remark may break lines
      {{"h|x", "p", "a", "pw", ""}, false},
      {{"h", "p", "a", "pw", "re|mark"}, false},
      {{"h", "p", "a", "p|w", ""}, false},
      {{"h\t", "p", "a", "pw", ""}, false},
      {{"h", "33\r\n89", "a", "pw", ""}, false},
      {{"h", "p", "a\x1F", "pw", ""}, false},
      {{"h", "p", "a", "p\nw", ""}, false},
      {{"#LoadinPass:<h", "p", "a", "pw", ""}, false},  // would read as the password line
      {{"h#LoadinPass:<", "p", "a", "pw", "#LoadinPass:<x>"}, true},
      {{"h", "p", "a", "pw", std::string("re\0mark", 7)}, false},  // reading stops at a zero
      {{"h", "p", "a", "pw\x80", "note\x80"}, true},  // "€" ends a field like any character
      {{"h", "p", "a", "pw\x80|x", ""}, false},       // the "|" after it is a separator
      {{"h\x80|x", "p", "a", "pw", ""}, false},
      // The settings field: ASCII, one field, no option marker.
      {{"h", "p", "a", "pw", "", "", "display=full;gateway=gw.example:443"}, true},
      {{"h", "p", "a", "pw", "", "", "gateway=a|b"}, false},
      {{"h", "p", "a", "pw", "", "", "gateway=a\nb"}, false},
      {{"h", "p", "a", "pw", "", "", "gateway=a\rb"}, false},
      {{"h", "p", "a", "pw", "", "", "gateway=a\tb"}, false},
      {{"h", "p", "a", "pw", "", "", "gateway=\xB0\xEC"}, false},
      {{"h", "p", "a", "pw", "", "", "gateway=\x80"}, false},
      {{"h", "p", "a", "pw", "", "", "x=#admin:1"}, false},
      {{"h", "p", "a", "pw", "", "", "x=#Start:1"}, false},
      {{"h", "p", "a", "pw", "", "", "x=#onsole:"}, false},
      {{"h", "p", "a", "pw", "", "", "x=#LoadinPass:<"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.texts.host + "/" + c.texts.port + "/" + c.texts.account + "/" +
                 c.texts.password + "/" + c.texts.remark + "/" + c.texts.settings);
    EXPECT_EQ(IsStorable(c.texts), c.storable);
  }
}

TEST(ServerListEditTest, AppendReplaceAndRemoveKeepNumbersAndStatus) {
  ServerList list;
  for (const char* host : {"a", "b", "c"}) AppendServer(list, {host, "1", "u", "", ""});
  list[1].status = ServerStatus::Online;

  EXPECT_TRUE(ReplaceServerTexts(list, 2, {"b", "1", "v", "pw", "r"}));
  EXPECT_EQ(list[1].account, "v");
  EXPECT_EQ(list[1].remark, "r");
  EXPECT_EQ(list[1].status, ServerStatus::Online);
  EXPECT_FALSE(ReplaceServerTexts(list, 4, {"x", "", "", "", ""}));

  EXPECT_TRUE(RemoveServer(list, 1));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(EntryByNumber(list, 1)->account, "v");
  EXPECT_EQ(EntryByNumber(list, 2)->host, "c");
  EXPECT_EQ(EntryByNumber(list, 2)->status, ServerStatus::Pending);
  EXPECT_FALSE(RemoveServer(list, 0));
  EXPECT_FALSE(RemoveServer(list, 3));
  EXPECT_EQ(list.size(), 2u);
}

TEST(ServerListEditTest, AnEditOfHostOrPortMakesTheStatusPendingAndAnyOtherKeepsIt) {
  struct Case {
    ServerTexts edited;
    ServerStatus expected;
  };
  const Case cases[] = {
      {{"10.0.0.2", "3389", "u", "p", "r"}, ServerStatus::Pending},  // host
      {{"10.0.0.1", "3390", "u", "p", "r"}, ServerStatus::Pending},  // port
      {{"10.0.0.1", "3389", "v", "q", "s"}, ServerStatus::Online},   // account, password, remark
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edited.host + ":" + c.edited.port + " " + c.edited.account);
    ServerList list;
    AppendServer(list, {"10.0.0.1", "3389", "u", "p", "r"});
    list[0].status = ServerStatus::Online;
    ASSERT_TRUE(ReplaceServerTexts(list, 1, c.edited));
    EXPECT_EQ(list[0].status, c.expected);
  }
}

}  // namespace
}  // namespace rdc
