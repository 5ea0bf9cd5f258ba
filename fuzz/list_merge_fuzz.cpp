// Fuzzes the three-way merge of ms.ini's content over lists drawn from a few
// records, so that duplicates, equal changes and equal insertions are common.
// Records count by multiplicity, the inputs holding equal ones. Properties:
//  - merge(b, a, b) is a, entries and all; merge(b, b, t) holds t's records in
//    t's order; merge(b, a, a) is a (what both sides did alike is taken
//    once); none of them has a conflict.
//  - Nothing either side added is missing: each record is in the result at
//    least as often as a side holds it beyond the base.
//  - No entry appears twice: every merged entry is one entry of ours (same id)
//    or a new one, no id twice; a record is in the result at most as often as
//    the two sides hold it together, and a record that only one side holds at
//    most as often as that side. Equal records from both sides both stay only
//    where the sides changed or inserted them at different places; the two
//    versions of a conflict always differ.
//  - Swapping the sides keeps the merged records and the number of conflicts.
// A second part checks the common subsequence: equal items in order, and,
// below the search limit, as many as the quadratic table finds.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz_support.h"
#include "model/common_subsequence.h"
#include "model/config_file.h"
#include "model/list_merge.h"

namespace rdc::fuzz {
namespace {

// One of a few hosts, with a remark whose line break takes each of its forms,
// or now and then texts of the fuzzer's own.
ServerTexts ConsumeTexts(FuzzedDataProvider& input) {
  ServerTexts texts{"h" + std::to_string(input.ConsumeIntegralInRange(0, 5)), "3389", "u", "", ""};
  switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0: texts.remark = "r\r\n"; break;
    case 1: texts.remark = "r\n"; break;
    case 2: texts.remark = "r\r"; break;
    case 3: texts.password = "p"; break;
    case 4: texts.account = GbkText(input.ConsumeRandomLengthString(8), "", true); break;
    default: break;
  }
  return texts;
}

// `list` changed as a user would: records edited, deleted, inserted.
ServerList ConsumeEdits(FuzzedDataProvider& input, ServerList list, int most) {
  const int edits = input.ConsumeIntegralInRange(0, most);
  for (int i = 0; i < edits; ++i) {
    const auto at = input.ConsumeIntegralInRange<std::size_t>(0, list.size());
    const int kind = input.ConsumeIntegralInRange(0, 2);
    if (kind == 0 && at < list.size()) {
      ReplaceServerTexts(list, static_cast<int>(at) + 1, ConsumeTexts(input));
    } else if (kind == 1 && at < list.size()) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (kind == 2) {
      ServerList added;
      AppendServer(added, ConsumeTexts(input));
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), added[0]);
    }
  }
  for (ServerEntry& entry : list) {
    if (input.ConsumeBool()) entry.status = ServerStatus::Online;
  }
  return list;
}

ConfigContent ConsumeContent(FuzzedDataProvider& input, ServerList servers) {
  return {std::move(servers),
          {input.ConsumeBool(), input.ConsumeBool()},
          input.ConsumeBool() ? "" : "pw"};
}

// The content as another run holds it: new entries, pending.
ConfigContent Reloaded(const ConfigContent& content) {
  ConfigContent copy{{}, content.options, content.startupPassword};
  for (const ServerEntry& e : content.servers)
    AppendServer(copy.servers, {e.host, e.port, e.account, e.password, e.remark});
  return copy;
}

std::string KeyOf(const ServerEntry& e) {
  return e.host + '|' + e.port + '|' + e.account + '|' + e.password + '|' + StoredRemark(e.remark);
}

std::vector<std::string> Keys(const ServerList& list) {
  std::vector<std::string> keys;
  for (const ServerEntry& entry : list) keys.push_back(KeyOf(entry));
  return keys;
}

std::map<std::string, int> Counts(const ServerList& list) {
  std::map<std::string, int> counts;
  for (const ServerEntry& entry : list) ++counts[KeyOf(entry)];
  return counts;
}

auto Whole(const ServerEntry& e) {
  return std::tie(e.host, e.port, e.account, e.password, e.remark, e.status, e.id);
}

bool SameEntries(const ServerList& a, const ServerList& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const auto& x, const auto& y) { return Whole(x) == Whole(y); });
}

auto Settings(const ConfigContent& c) {
  return std::tie(c.options.forceAdmin, c.options.fullScreen, c.startupPassword);
}

void CheckOneSideChanged(const ConfigContent& base, const ConfigContent& ours,
                         const ConfigContent& theirs) {
  const ConfigMerge keptFile = MergeConfig(base, ours, base);
  FUZZ_CHECK(SameEntries(keptFile.merged.servers, ours.servers));
  FUZZ_CHECK(Settings(keptFile.merged) == Settings(ours) && keptFile.conflicts == 0);
  const ConfigMerge keptOurs = MergeConfig(base, Reloaded(base), theirs);
  FUZZ_CHECK(Keys(keptOurs.merged.servers) == Keys(theirs.servers));
  FUZZ_CHECK(Settings(keptOurs.merged) == Settings(theirs) && keptOurs.conflicts == 0);
  const ConfigMerge same = MergeConfig(base, ours, ours);
  FUZZ_CHECK(SameEntries(same.merged.servers, ours.servers) && same.conflicts == 0);
}

void CheckMerge(const ConfigContent& base, const ConfigContent& ours, const ConfigContent& theirs) {
  const ConfigMerge merge = MergeConfig(base, ours, theirs);
  const ServerList& merged = merge.merged.servers;
  FUZZ_CHECK(merge.carriesOn.size() == merged.size());
  FUZZ_CHECK(merge.conflicts >= 0 && std::size_t(merge.conflicts) <= base.servers.size());

  std::map<std::uint64_t, const ServerEntry*> ourEntries;
  for (const ServerEntry& entry : ours.servers) ourEntries[entry.id] = &entry;
  std::set<std::uint64_t> inputIds, mergedIds, carried;
  for (const ServerList* list : {&base.servers, &ours.servers, &theirs.servers}) {
    for (const ServerEntry& entry : *list) inputIds.insert(entry.id);
  }
  for (std::size_t i = 0; i < merged.size(); ++i) {
    FUZZ_CHECK(mergedIds.insert(merged[i].id).second);
    const auto our = ourEntries.find(merged[i].id);
    if (our != ourEntries.end()) {
      FUZZ_CHECK(Whole(merged[i]) == Whole(*our->second) && merge.carriesOn[i] == merged[i].id);
    } else {
      FUZZ_CHECK(!inputIds.contains(merged[i].id) && merged[i].status == ServerStatus::Pending);
    }
    if (merge.carriesOn[i] != 0) {
      FUZZ_CHECK(ourEntries.contains(merge.carriesOn[i]));
      FUZZ_CHECK(carried.insert(merge.carriesOn[i]).second);
    }
  }

  auto inBase = Counts(base.servers), inOurs = Counts(ours.servers),
       inTheirs = Counts(theirs.servers), inMerged = Counts(merged);
  std::set<std::string> keys;
  for (const auto* counts : {&inBase, &inOurs, &inTheirs, &inMerged}) {
    for (const auto& [key, count] : *counts) keys.insert(key);
  }
  for (const std::string& key : keys) {
    const int b = inBase[key], o = inOurs[key], t = inTheirs[key], m = inMerged[key];
    FUZZ_CHECK(m >= o - b && m >= t - b && m <= o + t);
    FUZZ_CHECK((t > 0 || m <= o) && (o > 0 || m <= t));
  }

  const ConfigMerge swapped = MergeConfig(base, theirs, ours);
  FUZZ_CHECK(Counts(swapped.merged.servers) == Counts(merged));
  FUZZ_CHECK(swapped.conflicts == merge.conflicts);
}

void CheckCommonSubsequence(FuzzedDataProvider& input) {
  const auto symbols = input.ConsumeIntegralInRange<std::uint32_t>(1, 8);
  std::vector<std::uint32_t> a(input.ConsumeIntegralInRange<std::size_t>(0, 64));
  std::vector<std::uint32_t> b(input.ConsumeIntegralInRange<std::size_t>(0, 64));
  for (auto* items : {&a, &b}) {
    for (auto& item : *items) item = input.ConsumeIntegralInRange<std::uint32_t>(0, symbols - 1);
  }
  const bool limited = input.ConsumeBool();
  const std::size_t limit = limited ? input.ConsumeIntegralInRange<std::size_t>(0, 8) : 1000;
  const std::vector<std::size_t> match = LongestCommonSubsequence(a, b, limit);
  FUZZ_CHECK(match.size() == a.size());
  std::size_t pairs = 0, nextB = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (match[i] == kUnmatched) continue;
    FUZZ_CHECK(match[i] >= nextB && match[i] < b.size() && a[i] == b[match[i]]);
    nextB = match[i] + 1;
    ++pairs;
  }
  // The quadratic table of common subsequence lengths, one row at a time.
  std::vector<std::size_t> row(b.size() + 1, 0), above(b.size() + 1, 0);
  for (std::uint32_t item : a) {
    std::swap(row, above);
    for (std::size_t j = 1; j <= b.size(); ++j)
      row[j] = item == b[j - 1] ? above[j - 1] + 1 : std::max(above[j], row[j - 1]);
  }
  if (!limited) FUZZ_CHECK(pairs == row[b.size()]);
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace rdc::fuzz;
  FuzzedDataProvider input(data, size);
  if (input.ConsumeIntegralInRange(0, 4) == 0) {
    CheckCommonSubsequence(input);
    return 0;
  }
  // The sides are a few edits away from the base, or many (unrelated lists).
  const int most = input.ConsumeBool() ? 4 : 12;
  const rdc::ConfigContent base = ConsumeContent(input, ConsumeEdits(input, {}, 12));
  const rdc::ConfigContent ours = ConsumeContent(input, ConsumeEdits(input, base.servers, most));
  const rdc::ConfigContent theirs =
      Reloaded(ConsumeContent(input, ConsumeEdits(input, base.servers, most)));
  CheckOneSideChanged(base, ours, theirs);
  CheckMerge(base, ours, theirs);
  return 0;
}
