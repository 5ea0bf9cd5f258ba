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

// GBK text from UTF-8 test text, for the few Chinese words the tests use:
// 生产 (production), 归档 (archive), 测试 (test), 数据库 (database), 线 (line).
std::string G(std::string_view text) {
  static const std::pair<std::string_view, std::string_view> kWords[] = {
      {"生产", "\xC9\xFA\xB2\xFA"},
      {"归档", "\xB9\xE9\xB5\xB5"},
      {"测试", "\xB2\xE2\xCA\xD4"},
      {"数据库", "\xCA\xFD\xBE\xDD\xBF\xE2"},
      {"线", "\xCF\xDF"}};
  std::string gbk;
  for (std::size_t i = 0; i < text.size();) {
    const auto* word = std::find_if(std::begin(kWords), std::end(kWords), [&](const auto& w) {
      return text.substr(i).starts_with(w.first);
    });
    if (word == std::end(kWords)) {
      gbk += text[i++];
    } else {
      gbk += word->second;
      i += word->first.size();
    }
  }
  return gbk;
}

// A display order unlike the bytes' order (测试 < 归档 < 生产 by bytes).
std::string FakeKey(std::string_view text) {
  if (text == G("生产")) return "a";
  if (text == G("归档")) return "b";
  if (text == G("测试")) return "c";
  return "z" + std::string(text);
}

ServerList InGroups(std::initializer_list<std::string> groups) {
  ServerList list;
  for (const std::string& group : groups) AppendServer(list, {"h", "3389", "u", "", "", group});
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
    std::string path;
    std::string normal;
  } normal[] = {{"", ""},
                {"/", ""},
                {" a / /b ", "a/b"},
                {"\ta\t", "a"},
                {"a//b/", "a/b"},
                {G(" 生产 / 数据库"), G("生产/数据库")},
                {"\xC4\x7C/x", "\xC4\x7C/x"}};
  for (const auto& row : normal) EXPECT_EQ(NormalizeGroupPath(row.path), row.normal) << row.path;

  for (const std::string& storable :
       std::vector<std::string>{"", "a/b", G("生产"), "a#b", "\xC4\x7C"})
    EXPECT_TRUE(IsStorableGroup(storable)) << storable;
  for (const char* unstorable :
       {"a|b", "a\nb", "x#Start:1", "#admin:1", "#onsole:", "#LoadinPass:<"})
    EXPECT_FALSE(IsStorableGroup(unstorable)) << unstorable;

  const struct {
    std::string group;
    std::string path;
    bool in;
  } in[] = {{G("生产"), G("生产"), true},
            {G("生产/数据库"), G("生产"), true},
            {G("生产线"), G("生产"), false},
            {G("生产"), G("生产/数据库"), false},
            {"", "", true},
            {"a", "", true},
            {"", "a", false},
            {"ab/c", "a", false}};
  for (const auto& row : in) EXPECT_EQ(IsInGroup(row.group, row.path), row.in) << row.group;
}

TEST(GroupTreeTest, CountsBelowEachNodeSiblingsByKeyAndPathsParentFirst) {
  const ServerList list = InGroups({G("生产/数据库"), G("测试"), "", G("生产"), G("归档/x/y"),
                                    G("生产/数据库"), "b", "", "a", G("生产/web")});
  EXPECT_EQ(Shape(BuildGroupTree(list, FakeKey)),
            G("生产:4(web:1 数据库:2) 归档:1(x:1(y:1)) 测试:1 a:1 b:1"));
  EXPECT_EQ(CountUngrouped(list), 2);
  const std::vector<GroupNode> tree = BuildGroupTree(list, FakeKey);
  EXPECT_EQ(tree[1].children[0].children[0].path, G("归档/x/y"));

  const std::vector<std::string> paths = {G("生产"), G("生产/web"), G("生产/数据库"),
                                          G("归档"), G("归档/x"),   G("归档/x/y"),
                                          G("测试"), "a",           "b"};
  EXPECT_EQ(GroupPaths(list, FakeKey), paths);

  // Equal keys: by bytes.
  const auto sameKey = [](std::string_view) { return std::string(); };
  EXPECT_EQ(Shape(BuildGroupTree(InGroups({"b", "c", "a"}), sameKey)), "a:1 b:1 c:1");
  EXPECT_TRUE(BuildGroupTree(InGroups({"", ""}), FakeKey).empty());
}

TEST(GroupEditTest, RenameUngroupMoveAndBulkEdit) {
  const struct {
    std::string from;
    std::string to;
    std::vector<std::string> groups;
    int changed;
  } renames[] = {
      {G("生产"), G("归档"), {G("归档"), G("归档/数据库"), G("生产线"), G("归档"), ""}, 2},
      {G(" 生产 "),
       G("归档/old"),
       {G("归档/old"), G("归档/old/数据库"), G("生产线"), G("归档"), ""},
       2},
      {G("生产/数据库"),
       G("归档"),
       {G("生产"), G("归档"), G("生产线"), G("归档"), ""},
       1},  // merges with 归档
      {G("生产"), "", {"", G("数据库"), G("生产线"), G("归档"), ""}, 2},
      {G("生产"), G("生产"), {G("生产"), G("生产/数据库"), G("生产线"), G("归档"), ""}, 0},
      {"", G("归档"), {G("生产"), G("生产/数据库"), G("生产线"), G("归档"), ""}, 0}};
  for (const auto& row : renames) {
    ServerList list = InGroups({G("生产"), G("生产/数据库"), G("生产线"), G("归档"), ""});
    EXPECT_EQ(RenameGroup(list, row.from, row.to), row.changed) << row.from << " " << row.to;
    EXPECT_EQ(Groups(list), row.groups) << row.from << " " << row.to;
  }

  ServerList list = InGroups({G("生产"), G("生产/数据库"), G("生产线"), ""});
  EXPECT_EQ(UngroupGroup(list, ""), 0);
  EXPECT_EQ(UngroupGroup(list, G("生产/")), 2);
  EXPECT_EQ(Groups(list), (std::vector<std::string>{"", "", G("生产线"), ""}));

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
  EXPECT_EQ(SearchWords(G("  web\xA1\xA1生产 db  ")),
            (std::vector<std::string>{"web", G("生产"), "db"}));
  EXPECT_TRUE(SearchWords(" \xA1\xA1 ").empty());
  // 0xA1 0xA1 across two characters is no space: "\xB0\xA1" then "\xA1\xA2".
  EXPECT_EQ(SearchWords("\xB0\xA1\xA1\xA2"), std::vector<std::string>{"\xB0\xA1\xA1\xA2"});

  ServerEntry entry;
  entry.host = "Web01.Example";
  entry.port = "3390";
  entry.account = "\xC4ZAdmin";  // a double-byte character whose second byte is "Z"
  entry.password = "secret";
  entry.remark = G("first line\r\n数据库 生产");
  entry.group = G("归档/x");
  const struct {
    std::string query;
    bool matches;
  } rows[] = {{"", true},
              {"web01", true},
              {"EXAMPLE 3390", true},
              {"web 3391", false},  // each word must match
              {"admin", true},
              {"z", false},  // "Z" only as half of a character
              {"ZAdmin", false},
              {"\xC4Za", true},  // the whole character
              {"\xC4z", false},  // its second byte keeps its case
              {G("生产"), true},
              {"\xFA\xB2", false},  // the bytes between two characters of 生产
              {G("line 数据库"), true},
              {G("line\r\n数据库"), false},  // never across a line break
              {"e\r\n", false},
              {G("归档/x"), true},
              {"secret", false}};  // the password is not searched
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
    std::string host;
    std::string port;
    std::string account;
    ServerStatus status;
    int latencyMs;
    std::string group;
    std::string remark;
  } servers[] = {{"10.0.0.10", "3389", "b", ServerStatus::Online, 12, G("测试"), "b\r\na"},
                 {"9.0.0.1", "03390", "a", ServerStatus::Pending, -1, G("生产"), "a"},
                 {"alpha", "x1", G("归档"), ServerStatus::Offline, -1, "", "c"},
                 {"10.0.0.9", "10000", "b", ServerStatus::Online, 3, G("生产"), "a\nz"},
                 {"1.2.3", "99", "", ServerStatus::Offline, 120, G("归档"), ""},
                 {"Beta", "3389", "b", ServerStatus::Online, 12, "a", "b"}};
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
  } rows[] = {{ServerColumn::Host, "9.0.0.1 10.0.0.9 10.0.0.10 1.2.3 Beta alpha",
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
               "alpha 10.0.0.10 Beta 9.0.0.1 10.0.0.9 1.2.3"}};
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
