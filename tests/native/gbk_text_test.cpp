// Tests of the GBK text rules: character stepping, FindText, SplitText,
// TextBetweenAll and the cut at the first zero byte.
#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace rdc {
namespace {

// GBK "膢" is C4 7C: its second byte is the field separator "|".
constexpr std::string_view kBarTrail = "\xC4\x7C";

TEST(CharLengthTest, LeadByteTakesTheNextByteUnlessItIsLast) {
  const std::string text = "a\x7F\x80\x40\x81\x40\xFE\xFE\xFF\xFE\x81";
  const struct {
    std::size_t index;
    std::size_t length;
  } cases[] = {
      {0, 1},   // "a"
      {1, 1},   // 0x7F is below the lead range
      {2, 1},   // 0x80 is "€", a character of its own
      {3, 1},   // so the byte after it is one too
      {4, 2},   // 0x81 is the lowest lead byte
      {6, 2},   // 0xFE the highest
      {8, 1},   // 0xFF stands alone
      {9, 2},   // 0xFE followed by 0x81
      {10, 1},  // a lead byte at the very end stands alone
      {11, 0},  // no character past the end
  };
  for (const auto& c : cases) EXPECT_EQ(CharLength(text, c.index), c.length) << c.index;
}

struct FindCase {
  const char* name;
  std::string text;
  std::string pattern;
  int start;
  int expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FindCase& c, std::ostream* os) {
  *os << c.name;
}

class FindTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, FindsOnlyAtCharacterStarts) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindText(c.text, c.pattern, c.start), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTest,
    ::testing::Values(
        FindCase{"first byte", "|a|", "|", 0, 1},
        FindCase{"start 1 is the beginning", "|a|", "|", 1, 1},
        FindCase{"start skips earlier match", "a|b|c", "|", 3, 4},
        FindCase{"start on the match", "a|b|c", "|", 4, 4},
        FindCase{"start after last match", "a|b|c", "|", 5, -1},
        FindCase{"start one past the end", "a|b|c", "c", 6, -1},
        FindCase{"start far beyond the end", "a|b|c", "a", 100, -1},
        FindCase{"negative start is the beginning", "a|b", "a", -3, 1},
        FindCase{"trail byte 0x7C is not a separator", std::string(kBarTrail), "|", 0, -1},
        FindCase{"separator after a 0x7C trail byte", std::string(kBarTrail) + "x|", "|", 0, 4},
        FindCase{"marker after a double-byte character", "\xD6\xD0#admin:1", "#admin:", 0, 3},
        FindCase{"double-byte pattern at a character", "a\xD6\xD0", "\xD6\xD0", 0, 2},
        FindCase{"double-byte pattern straddling characters", "\xC4\xD6\xD0", "\xD6\xD0", 0, -1},
        FindCase{"lead byte swallows the next ASCII byte", "ab\x81|c", "|", 0, -1},
        FindCase{"lone lead byte at the end is found", "ab\x81", "\x81", 0, 3},
        FindCase{"separator after a euro sign", "pw\x80|note", "|", 0, 4},
        FindCase{"separator after 0xFF", "pw\xFF|note", "|", 0, 4},
        FindCase{"line end after a euro sign", "r\x80\r\nnext", "\r\n", 0, 3},
        FindCase{"walk starts exactly at start, even on a trail byte", std::string(kBarTrail), "|",
                 2, 2},
        FindCase{"case-sensitive", "#Start:1", "#start:", 0, -1},
        FindCase{"pattern longer than the rest", "abc", "bcd", 0, -1},
        FindCase{"pattern at the very end", "abcd", "cd", 0, 3},
        FindCase{"empty text", "", "|", 0, -1},
        FindCase{"empty pattern is never found", "abc", "", 0, -1}));

struct SplitCase {
  const char* name;
  std::string text;
  std::string separator;
  std::vector<std::string> expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << c.name;
}

class SplitTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, GivesThePiecesBetweenSeparators) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(SplitText(c.text, c.separator), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTest,
    ::testing::Values(
        SplitCase{"empty text gives nothing", "", "|", {}},
        SplitCase{"no separator", "abc", "|", {"abc"}},
        SplitCase{"two pieces", "a|b", "|", {"a", "b"}},
        SplitCase{"trailing separator adds no empty piece", "a|b|", "|", {"a", "b"}},
        SplitCase{"leading separator gives an empty first piece", "|a", "|", {"", "a"}},
        SplitCase{"adjacent separators give an empty piece", "a||b", "|", {"a", "", "b"}},
        SplitCase{"separator alone", "|", "|", {""}},
        SplitCase{"four separators give four empty pieces", "||||", "|", {"", "", "", ""}},
        SplitCase{"0x7C trail byte stays inside its field",
                  "h" + std::string(kBarTrail) + "t|p",
                  "|",
                  {"h" + std::string(kBarTrail) + "t", "p"}},
        SplitCase{"lead byte before a separator takes it", "ab\x81|c", "|", {"ab\x81|c"}},
        SplitCase{"lone lead byte at the end is a piece", "a|\x81", "|", {"a", "\x81"}},
        SplitCase{"euro sign before a separator", "h|p|a|pw\x80|note", "|",
                  {"h", "p", "a", "pw\x80", "note"}},
        SplitCase{"euro sign at the end of a line", "a|b|c\x80\r\nd|e|f\r\n", "\r\n",
                  {"a|b|c\x80", "d|e|f"}},
        SplitCase{"two-byte separator", "l1\r\nl2\r\n", "\r\n", {"l1", "l2"}},
        SplitCase{"empty lines", "\r\n\r\nx", "\r\n", {"", "", "x"}},
        SplitCase{"bare LF does not end a line", "a\nb\r\n", "\r\n", {"a\nb"}},
        SplitCase{"empty separator leaves the text whole", "abc", "", {"abc"}}));

struct BetweenCase {
  const char* name;
  std::string source;
  std::string expected;
};

void PrintTo(const BetweenCase& c, std::ostream* os) {
  *os << c.name;
}

class PasswordBetweenTest : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(PasswordBetweenTest, TakesTheTextBetweenTheMarkers) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(TextBetweenAll(c.source, "#LoadinPass:<", ">"), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasswordBetweenTest,
    ::testing::Values(
        BetweenCase{"one password", "#Start:0\r\n#LoadinPass:<pw>\r\n", "pw"},
        BetweenCase{"nothing between the brackets", "#LoadinPass:<>\r\n", ""},
        BetweenCase{"no begin marker", "#Start:0\r\n", ""},
        BetweenCase{"GBK password", "#LoadinPass:<\xC3\xDC\xC2\xEB>", "\xC3\xDC\xC2\xEB"},
        BetweenCase{"ends at the first end marker", "#LoadinPass:<a>b>\r\n", "a"},
        BetweenCase{"two lines joined", "#LoadinPass:<a>\r\n#LoadinPass:<b>\r\n", "a||b"},
        BetweenCase{"empty and non-empty joined", "#LoadinPass:<>\r\n#LoadinPass:<b>\r\n", "||b"},
        BetweenCase{"missing end after a later marker drops everything",
                    "#LoadinPass:<a>\r\n#LoadinPass:<b\r\n", ""},
        BetweenCase{"missing end runs on to the next end marker",
                    "#LoadinPass:<a\r\n#LoadinPass:<b>\r\n", "a\r\n#LoadinPass:<b"},
        BetweenCase{"marker hidden behind a lead byte", "\x81#LoadinPass:<x>", ""},
        BetweenCase{"euro sign before the end marker", "#LoadinPass:<pw\x80>\r\n", "pw\x80"}));

TEST(TextBetweenAllTest, EndMarkerSearchStartsAtTheBeginMarker) {
  // The end marker ">" is looked for from the first byte of "<>", so the ">"
  // inside the begin marker itself ends each piece at once.
  EXPECT_EQ(TextBetweenAll("x<>y>z<>w>", "<>", ">"), "||");
  // Where the end marker lies inside the begin marker, every piece is empty
  // rather than reaching back before the marker.
  EXPECT_EQ(TextBetweenAll("x<y<z", "<", "<"), "||");
}

TEST(TextBetweenAllTest, EmptyMarkersFindNothing) {
  EXPECT_EQ(TextBetweenAll("a<b>c", "", ">"), "");
  EXPECT_EQ(TextBetweenAll("a<b>c", "<", ""), "");
}

TEST(UpToFirstZeroTest, CutsAtTheFirstZeroByte) {
  using namespace std::string_view_literals;
  EXPECT_EQ(UpToFirstZero("ab\0cd\0"sv), "ab");
  EXPECT_EQ(UpToFirstZero("\0ab"sv), "");
  EXPECT_EQ(UpToFirstZero("abc"sv), "abc");
  EXPECT_EQ(UpToFirstZero(""sv), "");
}

}  // namespace
}  // namespace rdc
