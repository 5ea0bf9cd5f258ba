// Fuzzes the three-way merge of ms.ini's content over lists drawn from a few
// records, so that duplicates, equal changes and equal insertions are common.
// Properties:
//  - merge(b, a, b) is a, entries and all; merge(b, b, t) holds t's records;
//    merge(b, a, a) is a; none of them has a conflict.
//  - Nothing either side added is missing: each record is in the result at
//    least as often as a side holds it beyond the base.
//  - No entry appears twice. Counted by multiplicity, since the inputs may hold
//    equal records: every merged entry is one entry of ours or theirs, none
//    taken twice (ids unique; a record is in the result at most as often as
//    the two sides hold it together); a record that only one side holds is in
//    the result at most as often as there; and where both sides hold the same
//    change or insertion it is taken once (merge(b, a, a) is a). Two equal
//    records both stay only as changes or insertions made at different places;
//    the two versions of a conflict always differ.
//  - Swapping the sides keeps the merged records (as a multiset) and the
//    number of conflicts.
// A second part checks the common subsequence: it pairs equal items in order,
// and, below the search limit, as many as the quadratic table finds.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/common_subsequence.h"
#include "model/config_file.h"
#include "model/list_merge.h"

namespace rdc::fuzz {
namespace {

// A record: one of a few hosts, and a remark whose line break takes each of
// its forms; now and then texts of the fuzzer's own.
ServerTexts ConsumeTexts(FuzzedDataProvider& input) {
  ServerTexts texts{"h", "3389", "u", "", ""};
  texts.host += std::to_string(input.ConsumeIntegralInRange(0, 5));
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

ServerList ConsumeList(FuzzedDataProvider& input) {
  ServerList list;
  const int count = input.ConsumeIntegralInRange(0, 12);
  for (int i = 0; i < count; ++i) AppendServer(list, ConsumeTexts(input));
  return list;
}

// The base changed as a user would: records edited, deleted, inserted.
ServerList ConsumeEdits(FuzzedDataProvider& input, const ServerList& base) {
  ServerList list = base;
  const int edits = input.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < edits; ++i) {
    const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, list.size());
    switch (input.ConsumeIntegralInRange(0, 2)) {
      case 0:
        if (at < list.size())
          ReplaceServerTexts(list, static_cast<int>(at) + 1, ConsumeTexts(input));
        break;
      case 1:
        if (at < list.size()) list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      default: {
        ServerList added;
        AppendServer(added, ConsumeTexts(input));
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), added[0]);
      }
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

// A copy of the content as another run holds it: new entries, pending.
ConfigContent Reloaded(const ConfigContent& content) {
  ConfigContent copy{{}, content.options, content.startupPassword};
  for (const ServerEntry& entry : content.servers)
    AppendServer(copy.servers,
                 {entry.host, entry.port, entry.account, entry.password, entry.remark});
  return copy;
}

// A record as compared: its five texts, the remark as stored.
std::string KeyOf(const ServerEntry& entry) {
  return entry.host + '|' + entry.port + '|' + entry.account + '|' + entry.password + '|' +
         StoredRemark(entry.remark);
}

std::map<std::string, int> Counts(const ServerList& list) {
  std::map<std::string, int> counts;
  for (const ServerEntry& entry : list) ++counts[KeyOf(entry)];
  return counts;
}

int CountOf(const std::map<std::string, int>& counts, const std::string& key) {
  const auto found = counts.find(key);
  return found == counts.end() ? 0 : found->second;
}

bool SameEntries(const ServerList& a, const ServerList& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.host == y.host && x.port == y.port && x.account == y.account &&
           x.password == y.password && x.remark == y.remark && x.status == y.status && x.id == y.id;
  });
}

bool SameOptionsAndPassword(const ConfigContent& a, const ConfigContent& b) {
  return a.options.forceAdmin == b.options.forceAdmin &&
         a.options.fullScreen == b.options.fullScreen && a.startupPassword == b.startupPassword;
}

void CheckOneSideChanged(const ConfigContent& base, const ConfigContent& ours,
                         const ConfigContent& theirs) {
  const ConfigMerge keptFile = MergeConfig(base, ours, base);
  FUZZ_CHECK(SameEntries(keptFile.merged.servers, ours.servers));
  FUZZ_CHECK(SameOptionsAndPassword(keptFile.merged, ours));
  FUZZ_CHECK(keptFile.conflicts == 0);

  const ConfigMerge keptOurs = MergeConfig(base, Reloaded(base), theirs);
  FUZZ_CHECK(Counts(keptOurs.merged.servers) == Counts(theirs.servers));
  for (std::size_t i = 0; i < theirs.servers.size() && i < keptOurs.merged.servers.size(); ++i)
    FUZZ_CHECK(KeyOf(keptOurs.merged.servers[i]) == KeyOf(theirs.servers[i]));
  FUZZ_CHECK(SameOptionsAndPassword(keptOurs.merged, theirs));
  FUZZ_CHECK(keptOurs.conflicts == 0);

  const ConfigMerge same = MergeConfig(base, ours, ours);
  FUZZ_CHECK(SameEntries(same.merged.servers, ours.servers));
  FUZZ_CHECK(same.conflicts == 0);
}

void CheckMerge(const ConfigContent& base, const ConfigContent& ours, const ConfigContent& theirs) {
  const ConfigMerge merge = MergeConfig(base, ours, theirs);
  const ServerList& merged = merge.merged.servers;
  FUZZ_CHECK(merge.carriesOn.size() == merged.size());
  FUZZ_CHECK(merge.conflicts >= 0 &&
             static_cast<std::size_t>(merge.conflicts) <= base.servers.size());

  // Each merged entry is one of ours (as it was) or a new one; none twice.
  std::map<std::uint64_t, const ServerEntry*> ourEntries;
  for (const ServerEntry& entry : ours.servers) ourEntries[entry.id] = &entry;
  std::set<std::uint64_t> inputIds, mergedIds, carried;
  for (const ServerList* list : {&base.servers, &ours.servers, &theirs.servers}) {
    for (const ServerEntry& entry : *list) inputIds.insert(entry.id);
  }
  for (std::size_t i = 0; i < merged.size(); ++i) {
    const ServerEntry& entry = merged[i];
    FUZZ_CHECK(mergedIds.insert(entry.id).second);
    const auto our = ourEntries.find(entry.id);
    if (our != ourEntries.end()) {
      FUZZ_CHECK(SameEntries({entry}, {*our->second}));
      FUZZ_CHECK(merge.carriesOn[i] == entry.id);
    } else {
      FUZZ_CHECK(!inputIds.contains(entry.id));
      FUZZ_CHECK(entry.status == ServerStatus::Pending);
    }
    if (merge.carriesOn[i] != 0) {
      FUZZ_CHECK(ourEntries.contains(merge.carriesOn[i]));
      FUZZ_CHECK(carried.insert(merge.carriesOn[i]).second);
    }
  }

  const auto baseCounts = Counts(base.servers);
  const auto ourCounts = Counts(ours.servers);
  const auto theirCounts = Counts(theirs.servers);
  const auto mergedCounts = Counts(merged);
  std::set<std::string> keys;
  for (const auto* counts : {&baseCounts, &ourCounts, &theirCounts, &mergedCounts}) {
    for (const auto& [key, count] : *counts) keys.insert(key);
  }
  for (const std::string& key : keys) {
    const int inBase = CountOf(baseCounts, key);
    const int inOurs = CountOf(ourCounts, key);
    const int inTheirs = CountOf(theirCounts, key);
    const int inMerged = CountOf(mergedCounts, key);
    FUZZ_CHECK(inMerged >= inOurs - inBase && inMerged >= inTheirs - inBase);
    FUZZ_CHECK(inMerged <= inOurs + inTheirs);
    if (inTheirs == 0) FUZZ_CHECK(inMerged <= inOurs);
    if (inOurs == 0) FUZZ_CHECK(inMerged <= inTheirs);
  }

  const ConfigMerge swapped = MergeConfig(base, theirs, ours);
  FUZZ_CHECK(Counts(swapped.merged.servers) == mergedCounts);
  FUZZ_CHECK(swapped.conflicts == merge.conflicts);
}

std::size_t LcsLengthByTable(const std::vector<std::uint32_t>& a,
                             const std::vector<std::uint32_t>& b) {
  std::vector<std::size_t> row(b.size() + 1, 0), previous(b.size() + 1, 0);
  for (std::uint32_t item : a) {
    std::swap(row, previous);
    for (std::size_t j = 1; j <= b.size(); ++j)
      row[j] = item == b[j - 1] ? previous[j - 1] + 1 : std::max(previous[j], row[j - 1]);
  }
  return row[b.size()];
}

void CheckCommonSubsequence(FuzzedDataProvider& input) {
  const auto symbols = input.ConsumeIntegralInRange<std::uint32_t>(1, 8);
  std::vector<std::uint32_t> a(input.ConsumeIntegralInRange<std::size_t>(0, 64));
  std::vector<std::uint32_t> b(input.ConsumeIntegralInRange<std::size_t>(0, 64));
  for (auto* sequence : {&a, &b}) {
    for (std::uint32_t& item : *sequence)
      item = input.ConsumeIntegralInRange<std::uint32_t>(0, symbols - 1);
  }
  // Now and then a search limit small enough to be reached.
  const bool limited = input.ConsumeBool();
  const std::size_t limit =
      limited ? input.ConsumeIntegralInRange<std::size_t>(0, 8) : kExactSearchLimit;
  const std::vector<std::size_t> match = LongestCommonSubsequence(a, b, limit);
  FUZZ_CHECK(match.size() == a.size());
  std::size_t pairs = 0, nextB = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (match[i] == kUnmatched) continue;
    FUZZ_CHECK(match[i] >= nextB && match[i] < b.size() && a[i] == b[match[i]]);
    nextB = match[i] + 1;
    ++pairs;
  }
  if (!limited) FUZZ_CHECK(pairs == LcsLengthByTable(a, b));
}

}  // namespace
}  // namespace rdc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace rdc;
  using namespace rdc::fuzz;
  FuzzedDataProvider input(data, size);
  if (input.ConsumeIntegralInRange(0, 4) == 0) {
    CheckCommonSubsequence(input);
    return 0;
  }
  const bool edited = input.ConsumeBool();  // else three unrelated lists
  const ConfigContent base = ConsumeContent(input, ConsumeList(input));
  const ConfigContent ours =
      ConsumeContent(input, edited ? ConsumeEdits(input, base.servers) : ConsumeList(input));
  const ConfigContent theirs = Reloaded(
      ConsumeContent(input, edited ? ConsumeEdits(input, base.servers) : ConsumeList(input)));
  CheckOneSideChanged(base, ours, theirs);
  CheckMerge(base, ours, theirs);
  return 0;
}
