// Tests of the three-way merge of ms.ini's content: the rules per base record,
// insertions at one place, duplicates, empty lists, which entries keep their
// identity, and the options and start-up password.
#include "model/list_merge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/common_subsequence.h"

namespace rdc {
namespace {

// One server per word; the word is its host, its other texts are the same for all.
ServerList Servers(std::string_view hosts) {
  ServerList list;
  std::istringstream words{std::string(hosts)};
  for (std::string host; words >> host;) AppendServer(list, {host, "3389", "u", "", ""});
  return list;
}

std::string Hosts(const ServerList& list) {
  std::string hosts;
  for (const ServerEntry& entry : list) hosts += (hosts.empty() ? "" : " ") + entry.host;
  return hosts;
}

ConfigContent Content(std::string_view hosts) {
  ConfigContent content;
  content.servers = Servers(hosts);
  return content;
}

ConfigMerge Merge(std::string_view base, std::string_view ours, std::string_view theirs) {
  return MergeConfig(Content(base), Content(ours), Content(theirs));
}

TEST(MergeConfigTest, ServersPerBaseRecordInsertionsDuplicatesAndEmptyLists) {
  struct Case {
    const char* what;
    const char* base;
    const char* ours;
    const char* theirs;
    const char* merged;
    int conflicts;
  };
  const Case cases[] = {
      {"kept on both", "a b c", "a b c", "a b c", "a b c", 0},
      {"ours changed", "a b c", "a B c", "a b c", "a B c", 0},
      {"theirs changed", "a b c", "a b c", "a B c", "a B c", 0},
      {"ours deleted", "a b c", "a c", "a b c", "a c", 0},
      {"theirs deleted", "a b c", "a b c", "a c", "a c", 0},
      {"both changed alike", "a b c", "a B c", "a B c", "a B c", 0},
      {"both deleted", "a b c", "a c", "a c", "a c", 0},
      {"both changed differently", "a b c", "a B1 c", "a B2 c", "a B1 B2 c", 1},
      {"ours changed, theirs deleted", "a b c", "a B1 c", "a c", "a B1 c", 1},
      {"ours deleted, theirs changed", "a b c", "a c", "a B2 c", "a B2 c", 1},
      {"two conflicts side by side", "a b", "A1 B1", "A2 B2", "A1 A2 B1 B2", 2},
      {"neighbours changed", "a b c", "A b c", "a B c", "A B c", 0},
      {"neighbour changed and deleted", "a b c", "A b c", "a c", "A c", 0},
      {"neighbours deleted", "a b c", "b c", "a c", "c", 0},
      {"first and last changed", "a b c", "A b c", "a b C", "A b C", 0},
      {"both inserted at one place", "a c", "a x c", "a y c", "a x y c", 0},
      {"both inserted the same", "a c", "a x c", "a x c", "a x c", 0},
      {"both appended, some alike", "a", "a x y", "a y z", "a x y z", 0},
      {"inserted at different places", "a b", "x a b", "a b y", "x a b y", 0},
      {"insertion beside a change", "a b", "a x b", "A b", "A x b", 0},
      {"change and insertion on one side", "a b", "A x b", "a B", "A x B", 0},
      {"more records than replaced", "a b c", "a X Y c", "a b c", "a X Y c", 0},
      {"fewer records than replaced", "a b c d", "a X d", "a b c d", "a X d", 0},
      {"duplicate kept twice", "a a", "a a", "a a", "a a", 0},
      {"one of two duplicates deleted", "a a b", "a b", "a a b", "a b", 0},
      {"a duplicate added", "a b", "a b a", "a b", "a b a", 0},
      {"duplicates inserted on both", "", "x x", "x", "x x", 0},
      {"duplicates inserted on theirs", "", "x", "x x", "x x", 0},
      {"duplicate deleted, other changed", "a b a", "b a", "a b A", "b A", 0},
      {"all empty", "", "", "", "", 0},
      {"ours filled an empty list", "", "a b", "", "a b", 0},
      {"theirs filled an empty list", "", "", "a b", "a b", 0},
      {"both emptied", "a b", "", "", "", 0},
      {"file emptied", "a b c", "a b c", "", "", 0},
      {"file emptied, ours changed one", "a b c", "a B c", "", "B", 1},
      {"file emptied, ours added one", "a b c", "a b c x", "", "x", 0},
      {"ours emptied, theirs added one", "a b", "", "a b y", "y", 0},
      {"base empty, both lists differ", "", "a b", "c d", "a b c d", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ConfigMerge merge = Merge(c.base, c.ours, c.theirs);
    EXPECT_EQ(Hosts(merge.merged.servers), c.merged);
    EXPECT_EQ(merge.conflicts, c.conflicts);
  }
}

TEST(MergeConfigTest, EveryTextCountsExceptALineBreaksForm) {
  const ServerTexts base{"h", "3389", "u", "pw", "line1\r\nline2"};
  struct Case {
    const char* what;
    ServerTexts ours;
    bool changed;
  };
  const Case cases[] = {
      {"same", base, false},
      {"remark break as lone LF", {"h", "3389", "u", "pw", "line1\nline2"}, false},
      {"remark break as lone CR", {"h", "3389", "u", "pw", "line1\rline2"}, false},
      {"remark break moved", {"h", "3389", "u", "pw", "line\r\n1line2"}, true},
      {"remark break added", {"h", "3389", "u", "pw", "line1\r\nline2\r\n"}, true},
      {"host", {"H", "3389", "u", "pw", "line1\r\nline2"}, true},
      {"port", {"h", "3390", "u", "pw", "line1\r\nline2"}, true},
      {"account", {"h", "3389", "U", "pw", "line1\r\nline2"}, true},
      {"password", {"h", "3389", "u", "PW", "line1\r\nline2"}, true},
      {"texts shifted between fields", {"h3", "389", "u", "pw", "line1\r\nline2"}, true},
      {"group", {"h", "3389", "u", "pw", "line1\r\nline2", "g"}, true},
      {"remark moved into the group", {"h", "3389", "u", "pw", "", "line1\r\nline2"}, true},
      {"settings", {"h", "3389", "u", "pw", "line1\r\nline2", "", "admin=1"}, true},
      {"group moved into the settings", {"h", "3389", "u", "pw", "line1\r\nline2", "", "g"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConfigContent baseContent, ours, theirs;
    AppendServer(baseContent.servers, base);
    AppendServer(ours.servers, c.ours);
    ours.servers[0].status = ServerStatus::Online;
    // The file changed the record too: a conflict when ours changed it.
    AppendServer(theirs.servers, {"other", "3389", "u", "pw", ""});
    const ConfigMerge merge = MergeConfig(baseContent, ours, theirs);
    EXPECT_EQ(merge.conflicts, c.changed ? 1 : 0);
    EXPECT_EQ(merge.merged.servers.size(), c.changed ? 2u : 1u);
    EXPECT_EQ(merge.merged.servers.back().host, "other");
  }
}

TEST(MergeConfigTest, AGroupOrSettingsChangeMergesLikeAnyChangeAndComesWithTheirRecord) {
  ConfigContent base, ours, theirs;
  for (ConfigContent* content : {&base, &ours, &theirs}) {
    AppendServer(content->servers, {"a", "3389", "u", "", "", "g"});
    AppendServer(content->servers, {"b", "3389", "u", "", "", ""});
    AppendServer(content->servers, {"c", "3389", "u", "", "", "", "admin=1"});
  }
  ours.servers[0].group = "g/ours";
  theirs.servers[1].group = "theirs";
  theirs.servers[2].settings = "admin=0;future=x";
  const ConfigMerge merge = MergeConfig(base, ours, theirs);
  ASSERT_EQ(merge.merged.servers.size(), 3u);
  EXPECT_EQ(merge.merged.servers[0].group, "g/ours");
  EXPECT_EQ(merge.merged.servers[1].group, "theirs");
  EXPECT_EQ(merge.merged.servers[2].settings, "admin=0;future=x");
  EXPECT_EQ(merge.conflicts, 0);
}

TEST(MergeConfigTest, OurEntriesKeepIdAndStatusTheirsAreNewAndPending) {
  const ConfigContent base = Content("kept changed-there conflict");
  ConfigContent ours = Content("kept changed-there conflict-ours");
  for (ServerEntry& entry : ours.servers) entry.status = ServerStatus::Online;
  const ConfigContent theirs = Content("kept changed conflict-theirs added");

  const ConfigMerge merge = MergeConfig(base, ours, theirs);
  const ServerList& merged = merge.merged.servers;
  ASSERT_EQ(Hosts(merged), "kept changed conflict-ours conflict-theirs added");
  EXPECT_EQ(merge.conflicts, 1);
  EXPECT_EQ(merged[0].id, ours.servers[0].id);
  EXPECT_EQ(merged[0].status, ServerStatus::Online);
  EXPECT_EQ(merged[2].id, ours.servers[2].id);
  EXPECT_EQ(merged[2].status, ServerStatus::Online);
  for (std::size_t i : {1u, 3u, 4u}) EXPECT_EQ(merged[i].status, ServerStatus::Pending) << i;
  EXPECT_NE(merged[1].id, ours.servers[1].id);
  // The record the file changed carries on our entry; the file's side of a
  // conflict and its additions carry on none.
  const std::vector<std::uint64_t> carriesOn = {ours.servers[0].id, ours.servers[1].id,
                                                ours.servers[2].id, 0, 0};
  EXPECT_EQ(merge.carriesOn, carriesOn);
}

TEST(MergeConfigTest, OptionsAndPasswordTakeTheChangedSideOursWhenBoth) {
  struct Case {
    bool base, ours, theirs, merged;
    const char *basePassword, *oursPassword, *theirsPassword, *mergedPassword;
  };
  const Case cases[] = {
      {false, false, false, false, "", "", "", ""},
      {false, true, false, true, "p", "q", "p", "q"},
      {false, false, true, true, "p", "p", "q", "q"},
      {true, false, false, false, "p", "", "p", ""},
      {true, true, false, false, "p", "p", "", ""},
      {false, true, true, true, "p", "q", "q", "q"},
      {true, false, false, false, "p", "q", "r", "q"},
      {true, true, true, true, "", "q", "r", "q"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.base << c.ours << c.theirs << " " << c.basePassword << "/"
                                    << c.oursPassword << "/" << c.theirsPassword);
    const ConfigContent base{{}, {c.base, !c.base}, c.basePassword};
    const ConfigContent ours{{}, {c.ours, !c.ours}, c.oursPassword};
    const ConfigContent theirs{{}, {c.theirs, !c.theirs}, c.theirsPassword};
    const ConfigMerge merge = MergeConfig(base, ours, theirs);
    EXPECT_EQ(merge.merged.options.forceAdmin, c.merged);
    EXPECT_EQ(merge.merged.options.fullScreen, !c.merged);
    EXPECT_EQ(merge.merged.startupPassword, c.mergedPassword);
    EXPECT_EQ(merge.conflicts, 0);
  }
  // Each option on its own: ours changed one, theirs the other.
  const ConfigMerge merge =
      MergeConfig({{}, {false, false}, ""}, {{}, {true, false}, ""}, {{}, {false, true}, ""});
  EXPECT_TRUE(merge.merged.options.forceAdmin);
  EXPECT_TRUE(merge.merged.options.fullScreen);
}

// ---- The common subsequence ------------------------------------------------

// The number of pairs; each pairs equal items, rising in both sequences.
std::size_t CheckedPairs(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                         std::size_t searchLimit = kExactSearchLimit) {
  const std::vector<std::size_t> match = LongestCommonSubsequence(a, b, searchLimit);
  EXPECT_EQ(match.size(), a.size());
  std::size_t pairs = 0, nextB = 0;
  for (std::size_t i = 0; i < match.size(); ++i) {
    if (match[i] == kUnmatched) continue;
    EXPECT_TRUE(match[i] >= nextB && match[i] < b.size() && a[i] == b[match[i]]) << i;
    nextB = match[i] + 1;
    ++pairs;
  }
  return pairs;
}

TEST(LongestCommonSubsequenceTest, ShapesThatStressTheSearch) {
  struct Case {
    std::vector<std::uint32_t> a, b;
    std::size_t length;
  };
  const Case cases[] = {
      {{}, {}, 0},
      {{1}, {}, 0},
      {{1}, {2}, 0},
      {{1, 2, 3}, {1, 2, 3}, 3},
      {{1, 2, 3}, {3, 2, 1}, 1},
      {{1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2, 1, 0}, 1},
      {{1, 1, 1, 1}, {1, 1}, 2},
      {{1, 2, 1, 2, 1, 2}, {2, 1, 2, 1, 2, 1}, 5},
      {{7, 1, 2, 3, 7}, {8, 1, 9, 3, 8}, 2},
      {{1, 5, 2, 6, 3, 7}, {2, 3, 1, 7, 6, 5}, 3},
      {{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5}, {2, 7, 1, 8, 2, 8, 1, 8, 2, 8, 4, 5, 9}, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckedPairs(c.a, c.b), c.length);
    EXPECT_EQ(CheckedPairs(c.b, c.a), c.length);
    CheckedPairs(c.a, c.b, 1);  // past the limit: pairs still valid
  }
}

TEST(LongestCommonSubsequenceTest, LongListsBelowAndPastTheSearchLimit) {
  std::vector<std::uint32_t> a(3000), reversed(3000);
  for (std::uint32_t i = 0; i < 3000; ++i) a[i] = reversed[2999 - i] = i % 1500;
  EXPECT_GE(CheckedPairs(a, reversed, 10), 1u);  // D would be about 6000
  // 700 items moved from the front to the end: D = 1400, within the limit.
  std::vector<std::uint32_t> rotated = a;
  std::rotate(rotated.begin(), rotated.begin() + 700, rotated.end());
  EXPECT_EQ(CheckedPairs(a, rotated), 2300u);
}

}  // namespace
}  // namespace rdc
