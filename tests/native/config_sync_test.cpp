// Tests of saves and reloads as merges with the file: what is written, what
// this copy's list becomes, and what is taken as the base of the next merge.
#include "model/config_sync.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>

#include "model/config_file.h"

namespace rdc {
namespace {

ConfigContent Content(std::string_view hosts, bool forceAdmin = false) {
  ConfigContent content;
  std::istringstream words{std::string(hosts)};
  for (std::string host; words >> host;) AppendServer(content.servers, {host, "3389", "u", "", ""});
  content.options.forceAdmin = forceAdmin;
  return content;
}

// The plain text of ms.ini holding these hosts.
std::string Plain(std::string_view hosts, bool forceAdmin = false) {
  return ComposeConfigContent(Content(hosts, forceAdmin));
}

std::string Hosts(const ServerList& list) {
  std::string hosts;
  for (const ServerEntry& entry : list) hosts += (hosts.empty() ? "" : " ") + entry.host;
  return hosts;
}

TEST(ConfigSyncTest, SaveMergesWithTheFileAndWritesOnlyWhatItHoldsNot) {
  struct Case {
    const char* what;
    const char* read;  // the hosts this copy read at start-up
    const char* ours;
    std::string file;  // the file's plain text now
    const char* merged;
    int conflicts;
    bool written;
  };
  const Case cases[] = {
      {"nothing changed", "a b", "a b", Plain("a b"), "a b", 0, false},
      {"an add here", "a b", "a b c", Plain("a b"), "a b c", 0, true},
      {"an add there", "a b", "a b", Plain("a b x"), "a b x", 0, false},
      {"adds on both", "a b", "a b c", Plain("a b x"), "a b c x", 0, true},
      {"edit here, delete there", "a b c", "A b c", Plain("a c"), "A c", 0, true},
      {"both edited one", "a b c", "a B1 c", Plain("a B2 c"), "a B1 B2 c", 1, true},
      {"another copy emptied the list", "a b", "a b", Plain(""), "", 0, false},
      {"emptied there, added here", "a b", "a b c", Plain(""), "c", 0, true},
      {"file missing: the list is written back", "a b", "a b", "", "a b", 0, true},
      {"file empty, an add here", "a b", "a b c", "", "a b c", 0, true},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.what);
    ConfigSync sync(Plain(row.read));
    const SavePlan plan = sync.PlanSave(Content(row.ours), row.file);
    EXPECT_FALSE(plan.refused);
    EXPECT_EQ(Hosts(plan.merge.merged.servers), row.merged);
    EXPECT_EQ(plan.merge.conflicts, row.conflicts);
    ASSERT_EQ(plan.plain.has_value(), row.written);
    if (plan.plain) {
      EXPECT_EQ(*plan.plain, ComposeConfigContent(plan.merge.merged));
    }
  }
}

TEST(ConfigSyncTest, DamagedFileIsNeitherWrittenNorMergedNorReloaded) {
  ConfigSync sync(Plain("a b"));
  const std::string damaged("noise\0noise", 11);
  const SavePlan plan = sync.PlanSave(Content("a b c"), damaged);
  EXPECT_TRUE(plan.refused);
  EXPECT_FALSE(plan.plain);
  EXPECT_EQ(Hosts(plan.merge.merged.servers), "a b c");
  EXPECT_FALSE(sync.Reload(Content("a b c"), damaged));
  EXPECT_EQ(sync.basePlain(), Plain("a b")) << "the base is still the list last read";
}

TEST(ConfigSyncTest, ReloadMergesOnlyOtherCopiesChanges) {
  ConfigSync sync(Plain("a b"));
  EXPECT_FALSE(sync.Reload(Content("a b"), Plain("a b"))) << "the file as read";
  EXPECT_FALSE(sync.Reload(Content("a b"), "")) << "a missing file takes nothing away";

  const ConfigContent ours = Content("a b");
  std::optional<ConfigMerge> merge = sync.Reload(ours, Plain("a x b"));
  ASSERT_TRUE(merge);
  EXPECT_EQ(Hosts(merge->merged.servers), "a x b");
  EXPECT_EQ(merge->carriesOn,
            (std::vector<std::uint64_t>{ours.servers[0].id, 0, ours.servers[1].id}));
  EXPECT_FALSE(sync.Reload(merge->merged, Plain("a x b"))) << "taken once";

  // This copy's own save is no change to reload.
  const SavePlan plan = sync.PlanSave(Content("a x b c"), Plain("a x b"));
  ASSERT_TRUE(plan.plain);
  sync.Saved(plan);
  EXPECT_FALSE(sync.Reload(plan.merge.merged, *plan.plain));
}

TEST(ConfigSyncTest, FailedWriteLeavesTheChangeForTheNextSaveWithoutConflictingAgain) {
  ConfigSync sync(Plain("a b c"));
  const SavePlan failed = sync.PlanSave(Content("a B1 c"), Plain("a B2 c"));
  EXPECT_EQ(failed.merge.conflicts, 1);
  // Not Saved(): the write failed. The list here is the merge; the file is as it was.
  const SavePlan retried = sync.PlanSave(failed.merge.merged, Plain("a B2 c"));
  EXPECT_EQ(retried.merge.conflicts, 0);
  EXPECT_EQ(Hosts(retried.merge.merged.servers), "a B1 B2 c");
  ASSERT_TRUE(retried.plain);
  EXPECT_EQ(*retried.plain, Plain("a B1 B2 c"));

  // The file changed again meanwhile: that change is merged too.
  const SavePlan later = sync.PlanSave(failed.merge.merged, Plain("a B2 c d"));
  EXPECT_EQ(Hosts(later.merge.merged.servers), "a B1 B2 c d");
  EXPECT_EQ(later.merge.conflicts, 0);
}

TEST(ConfigSyncTest, OptionsAndStartupPasswordGoWithTheSideThatChangedThem) {
  ConfigSync sync(Plain("a"));
  ConfigContent ours = Content("a");
  ours.startupPassword = "new";
  const SavePlan plan = sync.PlanSave(ours, Plain("a", true));
  ASSERT_TRUE(plan.plain);
  EXPECT_TRUE(plan.merge.merged.options.forceAdmin) << "changed there";
  EXPECT_EQ(plan.merge.merged.startupPassword, "new") << "changed here";
  EXPECT_EQ(*plan.plain, "a|3389|u||\r\n#admin:1\r\n#Start:0\r\n#LoadinPass:<new>\r\n");
}

}  // namespace
}  // namespace rdc
