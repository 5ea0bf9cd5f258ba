// Tests of what the server manager shows and does over the list: group paths,
// the group tree, renames and moves, bulk edits, the search, the column
// sorts and the recently connected servers.
#include "model/server_groups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/recent_servers.h"
#include "model/server_edits.h"
#include "model/server_search.h"
#include "model/server_sort.h"

namespace rdc {
namespace {

// GBK: 生产 (production), 归档 (archive), 测试 (test), 数据库 (database), 线 (line).
#define GBK_PROD "\xC9\xFA\xB2\xFA"
#define GBK_ARCH "\xB9\xE9\xB5\xB5"
#define GBK_TEST "\xB2\xE2\xCA\xD4"
#define GBK_DB "\xCA\xFD\xBE\xDD\xBF\xE2"
#define GBK_LINE "\xCF\xDF"

// A display order unlike the bytes' order (测试 < 归档 < 生产 by bytes).
std::string FakeKey(std::string_view text) {
  if (text == GBK_PROD) return "a";
  if (text == GBK_ARCH) return "b";
  if (text == GBK_TEST) return "c";
  return "z" + std::string(text);
}

ServerList InGroups(std::initializer_list<const char*> groups) {
  ServerList list;
  for (const char* group : groups) AppendServer(list, {"h", "3389", "u", "", "", group});
  return list;
}

std::vector<std::string> Groups(const ServerList& list) {
  std::vector<std::string> groups;
  for (const ServerEntry& entry : list) groups.push_back(entry.group);
  return groups;
}

// "name:count(children...)" of each node, for comparing whole trees.
std::string Shape(const std::vector<GroupNode>& nodes) {
  std::string shape;
  for (const GroupNode& node : nodes) {
    if (!shape.empty()) shape += ' ';
    shape += node.name + ":" + std::to_string(node.count);
    if (!node.children.empty()) shape += "(" + Shape(node.children) + ")";
  }
  return shape;
}

TEST(GroupPathTest, NormalFormStorableAndInGroup) {
  const struct {
    const char* path;
    const char* normal;
  } normal[] = {
      {"", ""},
      {"/", ""},
      {" a / /b ", "a/b"},
      {"\ta\t", "a"},
      {"a//b/", "a/b"},
      {" " GBK_PROD " / " GBK_DB, GBK_PROD "/" GBK_DB},
      {"\xC4\x7C/x", "\xC4\x7C/x"},
  };
  for (const auto& row : normal) EXPECT_EQ(NormalizeGroupPath(row.path), row.normal) << row.path;

  for (const char* storable : {"", "a/b", GBK_PROD, "a#b", "\xC4\x7C"})
    EXPECT_TRUE(IsStorableGroup(storable)) << storable;
  for (const char* unstorable :
       {"a|b", "a\nb", "x#Start:1", "#admin:1", "#onsole:", "#LoadinPass:<"})
    EXPECT_FALSE(IsStorableGroup(unstorable)) << unstorable;

  const struct {
    const char* group;
    const char* path;
    bool in;
  } in[] = {
      {GBK_PROD, GBK_PROD, true},
      {GBK_PROD "/" GBK_DB, GBK_PROD, true},
      {GBK_PROD GBK_LINE, GBK_PROD, false},
      {GBK_PROD, GBK_PROD "/" GBK_DB, false},
      {"", "", true},
      {"a", "", true},
      {"", "a", false},
      {"ab/c", "a", false},
  };
  for (const auto& row : in) EXPECT_EQ(IsInGroup(row.group, row.path), row.in) << row.group;
}

TEST(GroupTreeTest, CountsBelowEachNodeSiblingsByKeyAndPathsParentFirst) {
  const ServerList list = InGroups({GBK_PROD "/" GBK_DB, GBK_TEST, "", GBK_PROD, GBK_ARCH "/x/y",
                                    GBK_PROD "/" GBK_DB, "b", "", "a", GBK_PROD "/web"});
  EXPECT_EQ(Shape(BuildGroupTree(list, FakeKey)),
            GBK_PROD ":4(web:1 " GBK_DB ":2) " GBK_ARCH ":1(x:1(y:1)) " GBK_TEST ":1 a:1 b:1");
  EXPECT_EQ(CountUngrouped(list), 2);
  const std::vector<GroupNode> tree = BuildGroupTree(list, FakeKey);
  EXPECT_EQ(tree[1].children[0].children[0].path, GBK_ARCH "/x/y");

  const std::vector<std::string> paths = {GBK_PROD,
                                          GBK_PROD "/web",
                                          GBK_PROD "/" GBK_DB,
                                          GBK_ARCH,
                                          GBK_ARCH "/x",
                                          GBK_ARCH "/x/y",
                                          GBK_TEST,
                                          "a",
                                          "b"};
  EXPECT_EQ(GroupPaths(list, FakeKey), paths);

  // Equal keys: by bytes.
  const auto sameKey = [](std::string_view) { return std::string(); };
  EXPECT_EQ(Shape(BuildGroupTree(InGroups({"b", "c", "a"}), sameKey)), "a:1 b:1 c:1");
  EXPECT_TRUE(BuildGroupTree(InGroups({"", ""}), FakeKey).empty());
}

TEST(GroupEditTest, RenameUngroupMoveAndBulkEdit) {
  const struct {
    const char* from;
    const char* to;
    std::vector<std::string> groups;
    int changed;
  } renames[] = {
      {GBK_PROD, GBK_ARCH, {GBK_ARCH, GBK_ARCH "/" GBK_DB, GBK_PROD GBK_LINE, GBK_ARCH, ""}, 2},
      {" " GBK_PROD " ",
       GBK_ARCH "/old",
       {GBK_ARCH "/old", GBK_ARCH "/old/" GBK_DB, GBK_PROD GBK_LINE, GBK_ARCH, ""},
       2},
      {GBK_PROD "/" GBK_DB,
       GBK_ARCH,
       {GBK_PROD, GBK_ARCH, GBK_PROD GBK_LINE, GBK_ARCH, ""},
       1},  // merges with 归档
      {GBK_PROD, "", {"", GBK_DB, GBK_PROD GBK_LINE, GBK_ARCH, ""}, 2},
      {GBK_PROD, GBK_PROD, {GBK_PROD, GBK_PROD "/" GBK_DB, GBK_PROD GBK_LINE, GBK_ARCH, ""}, 0},
      {"", GBK_ARCH, {GBK_PROD, GBK_PROD "/" GBK_DB, GBK_PROD GBK_LINE, GBK_ARCH, ""}, 0},
  };
  for (const auto& row : renames) {
    ServerList list = InGroups({GBK_PROD, GBK_PROD "/" GBK_DB, GBK_PROD GBK_LINE, GBK_ARCH, ""});
    EXPECT_EQ(RenameGroup(list, row.from, row.to), row.changed) << row.from << " " << row.to;
    EXPECT_EQ(Groups(list), row.groups) << row.from << " " << row.to;
  }

  ServerList list = InGroups({GBK_PROD, GBK_PROD "/" GBK_DB, GBK_PROD GBK_LINE, ""});
  EXPECT_EQ(UngroupGroup(list, ""), 0);
  EXPECT_EQ(UngroupGroup(list, GBK_PROD "/"), 2);
  EXPECT_EQ(Groups(list), (std::vector<std::string>{"", "", GBK_PROD GBK_LINE, ""}));

  list = InGroups({"a", "b", "c"});
  list[0].status = list[1].status = ServerStatus::Online;
  list[1].latencyMs = 5;
  const std::vector<std::uint64_t> ids = {list[0].id, list[1].id, 999'999'999};
  EXPECT_EQ(MoveToGroup(list, ids, " x / y "), 2);
  EXPECT_EQ(Groups(list), (std::vector<std::string>{"x/y", "x/y", "c"}));
  EXPECT_EQ(MoveToGroup(list, ids, "x/y"), 0);

  EXPECT_EQ(ApplyBulkEdit(list, ids, {.account = "admin"}), 2);
  EXPECT_EQ(list[1].status, ServerStatus::Online);  // the account does not change the address
  EXPECT_EQ(ApplyBulkEdit(list, ids, {.port = "3389", .password = "pw"}), 2);
  EXPECT_EQ(list[1].status, ServerStatus::Online);  // the same port
  EXPECT_EQ(ApplyBulkEdit(list, ids, {.port = "3390"}), 2);
  EXPECT_EQ(list[1].status, ServerStatus::Pending);
  EXPECT_EQ(list[1].latencyMs, -1);
  EXPECT_EQ(list[1].account + list[1].password + list[1].port, "adminpw3390");
  EXPECT_EQ(list[2].account + list[2].port, "u3389");

  EXPECT_TRUE(IsStorable(BulkEdit{.port = "1", .group = "a/b"}));
  EXPECT_FALSE(IsStorable(BulkEdit{.account = "a|b"}));
  EXPECT_FALSE(IsStorable(BulkEdit{.group = "a|b"}));
  EXPECT_FALSE(IsStorable(BulkEdit{.password = "a\tb"}));

  EXPECT_EQ(RemoveServers(list, ids), 2);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].group, "c");
}

TEST(ServerSearchTest, WordsAndWhatEachMustMatch) {
  EXPECT_EQ(SearchWords("  web\xA1\xA1" GBK_PROD " db  "),
            (std::vector<std::string>{"web", GBK_PROD, "db"}));
  EXPECT_TRUE(SearchWords(" \xA1\xA1 ").empty());
  // 0xA1 0xA1 across two characters is no space: "\xB0\xA1" then "\xA1\xA2".
  EXPECT_EQ(SearchWords("\xB0\xA1\xA1\xA2"), std::vector<std::string>{"\xB0\xA1\xA1\xA2"});

  ServerEntry entry;
  entry.host = "Web01.Example";
  entry.port = "3390";
  entry.account =
      "\xC4\x5A"
      "Admin";  // a double-byte character whose second byte is "Z"
  entry.password = "secret";
  entry.remark = "first line\r\n" GBK_DB " " GBK_PROD;
  entry.group = GBK_ARCH "/x";
  const struct {
    const char* query;
    bool matches;
  } rows[] = {
      {"", true},
      {"web01", true},
      {"EXAMPLE 3390", true},
      {"web 3391", false},  // each word must match
      {"admin", true},
      {"z", false},  // "Z" only as half of a character
      {"ZAdmin", false},
      {"\xC4\x5A"
       "a",
       true},               // the whole character
      {"\xC4\x7A", false},  // its second byte keeps its case
      {GBK_PROD, true},
      {"\xFA\xB2", false},  // the bytes between two characters of 生产
      {"line " GBK_DB, true},
      {"line\r\n" GBK_DB, false},  // never across a line break
      {"e\r\n", false},
      {GBK_ARCH "/x", true},
      {"secret", false},  // the password is not searched
  };
  for (const auto& row : rows) {
    const std::vector<std::string> words = SearchWords(row.query);
    EXPECT_EQ(MatchesSearch(entry, words), row.matches) << row.query;
  }
  const std::vector<std::string> spanning = {"e\r\nb"};
  EXPECT_FALSE(MatchesSearch(entry, spanning));
}

std::string SortedHosts(const ServerList& list, ServerColumn column, bool descending) {
  std::vector<std::size_t> rows(list.size());
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = rows.size() - 1 - i;  // any order
  SortRows(rows, list, column, descending, FakeKey);
  std::string hosts;
  for (std::size_t row : rows) hosts += (hosts.empty() ? "" : " ") + list[row].host;
  return hosts;
}

TEST(ServerSortTest, EachColumnsOrderStableInBothDirections) {
  ServerList list;
  const struct {
    const char* host;
    const char* port;
    const char* account;
    ServerStatus status;
    int latencyMs;
    const char* group;
    const char* remark;
  } servers[] = {
      {"10.0.0.10", "3389", "b", ServerStatus::Online, 12, GBK_TEST, "b\r\na"},
      {"9.0.0.1", "03390", "a", ServerStatus::Pending, -1, GBK_PROD, "a"},
      {"alpha", "x1", GBK_ARCH, ServerStatus::Offline, -1, "", "c"},
      {"10.0.0.9", "10000", "b", ServerStatus::Online, 3, GBK_PROD, "a\nz"},
      {"1.2.3", "99", "", ServerStatus::Offline, 120, GBK_ARCH, ""},
      {"Beta", "3389", "b", ServerStatus::Online, 12, "a", "b"},
  };
  for (const auto& s : servers) {
    AppendServer(list, {s.host, s.port, s.account, "", s.remark, s.group});
    list.back().status = s.status;
    list.back().latencyMs = s.latencyMs;
  }
  // FakeKey puts 生产 < 归档 < 测试 before other texts, which go by bytes.
  const struct {
    ServerColumn column;
    const char* ascending;
    const char* descending;
  } rows[] = {
      {ServerColumn::Host, "9.0.0.1 10.0.0.9 10.0.0.10 1.2.3 Beta alpha",
       "alpha Beta 1.2.3 10.0.0.10 10.0.0.9 9.0.0.1"},
      {ServerColumn::Port, "1.2.3 10.0.0.10 Beta 9.0.0.1 10.0.0.9 alpha",
       "alpha 10.0.0.9 9.0.0.1 10.0.0.10 Beta 1.2.3"},
      {ServerColumn::Account, "alpha 1.2.3 9.0.0.1 10.0.0.10 10.0.0.9 Beta",
       "10.0.0.10 10.0.0.9 Beta 9.0.0.1 1.2.3 alpha"},
      {ServerColumn::Status, "10.0.0.10 10.0.0.9 Beta alpha 1.2.3 9.0.0.1",
       "9.0.0.1 alpha 1.2.3 10.0.0.10 10.0.0.9 Beta"},
      {ServerColumn::Latency, "10.0.0.9 10.0.0.10 Beta 1.2.3 9.0.0.1 alpha",
       "9.0.0.1 alpha 1.2.3 10.0.0.10 Beta 10.0.0.9"},
      {ServerColumn::Group, "9.0.0.1 10.0.0.9 1.2.3 10.0.0.10 alpha Beta",
       "Beta alpha 10.0.0.10 1.2.3 9.0.0.1 10.0.0.9"},
      {ServerColumn::Remark, "1.2.3 9.0.0.1 10.0.0.9 10.0.0.10 Beta alpha",
       "alpha 10.0.0.10 Beta 9.0.0.1 10.0.0.9 1.2.3"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SortedHosts(list, row.column, false), row.ascending) << static_cast<int>(row.column);
    EXPECT_EQ(SortedHosts(list, row.column, true), row.descending) << static_cast<int>(row.column);
  }
  EXPECT_EQ(RemarkFirstLine("one\rtwo"), "one");
  EXPECT_EQ(RemarkFirstLine("\nx"), "");
}

TEST(RecentServersTest, KeysNewestFirstAtMostTwentyAndTheEntriesTheyName) {
  ServerList list;
  AppendServer(list, {"a", "3389", "u", "", ""});
  AppendServer(list, {"2001:db8::1", "3389", "u", "", ""});
  AppendServer(list, {"a", "3389", "u", "", "the same address and account"});
  AppendServer(list, {"a", "3389", "v", "", ""});
  EXPECT_EQ(RecentKeyOf(list[0]), "a:3389|u");
  EXPECT_EQ(RecentKeyOf(list[1]), "[2001:db8::1]:3389|u");

  std::vector<std::string> recent;
  for (int i = 0; i < 25; ++i) NoteConnected(recent, "k" + std::to_string(i));
  ASSERT_EQ(recent.size(), kRecentServersKept);
  EXPECT_EQ(recent.front(), "k24");
  EXPECT_EQ(recent.back(), "k5");
  NoteConnected(recent, "k10");
  EXPECT_EQ(recent.size(), kRecentServersKept);
  EXPECT_EQ(recent[0], "k10");
  EXPECT_EQ(recent[1], "k24");
  EXPECT_EQ(std::count(recent.begin(), recent.end(), "k10"), 1);

  const std::vector<std::string> keys = {"a:3389|v", "gone:1|u", "a:3389|u", "[2001:db8::1]:3389|u",
                                         "a:3389|u"};
  EXPECT_EQ(RecentIds(list, keys),
            (std::vector<std::uint64_t>{list[3].id, list[0].id, list[1].id}));
}

}  // namespace
}  // namespace rdc
