// The three-way merge of ms.ini's servers, options and start-up password.
#include "model/list_merge.h"

#include <algorithm>
#include <cstddef>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "model/common_subsequence.h"

namespace rdc {

namespace {

// Gives each distinct record one number, so that the three lists compare as
// sequences of numbers.
class RecordNumbers {
 public:
  std::vector<std::uint32_t> Of(const ServerList& list) {
    std::vector<std::uint32_t> numbers;
    numbers.reserve(list.size());
    for (const ServerEntry& entry : list) {
      const auto next = static_cast<std::uint32_t>(numbers_.size());
      numbers.push_back(numbers_.try_emplace(KeyOf(entry), next).first->second);
    }
    return numbers;
  }

 private:
  // The five texts, the group and the settings, each after its length so that no two
  // records share a key.
  static std::string KeyOf(const ServerEntry& entry) {
    // Only a CR changes in the stored remark; most remarks have none.
    const bool hasCr = entry.remark.find('\r') != std::string::npos;
    const std::string stored = hasCr ? StoredRemark(entry.remark) : std::string();
    const std::string_view remark = hasCr ? std::string_view(stored) : entry.remark;
    std::string key;
    key.reserve(entry.host.size() + entry.port.size() + entry.account.size() +
                entry.password.size() + remark.size() + entry.group.size() + entry.settings.size() +
                28);
    for (std::string_view text :
         {std::string_view(entry.host), std::string_view(entry.port),
          std::string_view(entry.account), std::string_view(entry.password), remark,
          std::string_view(entry.group), std::string_view(entry.settings)}) {
      key += std::to_string(text.size());
      key += ':';
      key += text;
    }
    return key;
  }

  std::unordered_map<std::string, std::uint32_t> numbers_;
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// What one side did to the base, record by record.
struct SideChanges {
  // Per base record: the side's record in its place (the same record when
  // kept, another when changed), or kNone when deleted.
  std::vector<std::size_t> inPlace;
  std::vector<bool> kept;
  // Per place g, before base record g (g = base size: at the end): the side's
  // records inserted there, [first, second).
  std::vector<std::pair<std::size_t, std::size_t>> inserted;
};

SideChanges ChangesOf(std::span<const std::uint32_t> base, std::span<const std::uint32_t> side) {
  const std::vector<std::size_t> match = LongestCommonSubsequence(base, side);
  const std::size_t n = base.size();
  SideChanges changes{std::vector<std::size_t>(n, kNone), std::vector<bool>(n, false),
                      std::vector<std::pair<std::size_t, std::size_t>>(n + 1)};
  std::size_t next = 0;  // the side's first record not yet placed
  std::size_t first = 0;
  while (true) {
    // Base records [first, aligned) are not on the side; the side's records
    // [next, alignedSide) stand between the same aligned neighbours.
    std::size_t aligned = first;
    while (aligned < n && match[aligned] == kUnmatched) ++aligned;
    const std::size_t alignedSide = aligned < n ? match[aligned] : side.size();
    const std::size_t changed = std::min(aligned - first, alignedSide - next);
    for (std::size_t i = 0; i < changed; ++i) changes.inPlace[first + i] = next + i;
    changes.inserted[aligned] = {next + changed, alignedSide};
    if (aligned == n) break;
    changes.inPlace[aligned] = alignedSide;
    changes.kept[aligned] = true;
    next = alignedSide + 1;
    first = aligned + 1;
  }
  return changes;
}

class Merger {
 public:
  Merger(const ConfigContent& base, const ConfigContent& ours, const ConfigContent& theirs,
         ConfigMerge& result)
      : ours_(ours.servers), theirs_(theirs.servers), result_(result) {
    RecordNumbers numbers;
    const std::vector<std::uint32_t> baseNumbers = numbers.Of(base.servers);
    ourNumbers_ = numbers.Of(ours_);
    theirNumbers_ = numbers.Of(theirs_);
    ourChanges_ = ChangesOf(baseNumbers, ourNumbers_);
    theirChanges_ = ChangesOf(baseNumbers, theirNumbers_);
  }

  void MergeServers() {
    const std::size_t n = ourChanges_.inPlace.size();
    for (std::size_t place = 0; place <= n; ++place) {
      MergeInserted(ourChanges_.inserted[place], theirChanges_.inserted[place]);
      if (place < n) MergeBaseRecord(place);
    }
  }

 private:
  void TakeOurs(std::size_t i) {
    result_.merged.servers.push_back(ours_[i]);
    result_.carriesOn.push_back(ours_[i].id);
  }

  void TakeTheirs(std::size_t i, std::uint64_t carriesOn) {
    const ServerEntry& entry = theirs_[i];
    AppendServer(result_.merged.servers, {entry.host, entry.port, entry.account, entry.password,
                                          entry.remark, entry.group, entry.settings});
    result_.carriesOn.push_back(carriesOn);
  }

  void MergeBaseRecord(std::size_t b) {
    const std::size_t ours = ourChanges_.inPlace[b];
    const std::size_t theirs = theirChanges_.inPlace[b];
    const bool oursKept = ourChanges_.kept[b];
    const bool theirsKept = theirChanges_.kept[b];
    if (theirsKept) {
      if (ours != kNone) TakeOurs(ours);  // kept on both, or ours changed it
      return;
    }
    if (oursKept) {
      if (theirs != kNone) TakeTheirs(theirs, ours_[ours].id);
      return;
    }
    if (ours == kNone && theirs == kNone) return;  // deleted on both
    if (ours != kNone && theirs != kNone && ourNumbers_[ours] == theirNumbers_[theirs]) {
      TakeOurs(ours);  // the same change on both
      return;
    }
    ++result_.conflicts;
    if (ours != kNone) TakeOurs(ours);
    if (theirs != kNone) TakeTheirs(theirs, 0);
  }

  void MergeInserted(std::pair<std::size_t, std::size_t> ours,
                     std::pair<std::size_t, std::size_t> theirs) {
    std::unordered_map<std::uint32_t, std::size_t> oursUnpaired;
    for (std::size_t i = ours.first; i < ours.second; ++i) {
      TakeOurs(i);
      if (theirs.first < theirs.second) ++oursUnpaired[ourNumbers_[i]];
    }
    for (std::size_t i = theirs.first; i < theirs.second; ++i) {
      const auto equal = oursUnpaired.find(theirNumbers_[i]);
      if (equal != oursUnpaired.end() && equal->second > 0) {
        --equal->second;  // the same record inserted on both sides
      } else {
        TakeTheirs(i, 0);
      }
    }
  }

  const ServerList& ours_;
  const ServerList& theirs_;
  std::vector<std::uint32_t> ourNumbers_, theirNumbers_;
  SideChanges ourChanges_, theirChanges_;
  ConfigMerge& result_;
};

// The side that changed the value wins; when both did, ours.
template <typename T>
const T& MergedValue(const T& base, const T& ours, const T& theirs) {
  return ours != base ? ours : theirs;
}

}  // namespace

ConfigMerge MergeConfig(const ConfigContent& base, const ConfigContent& ours,
                        const ConfigContent& theirs) {
  ConfigMerge result;
  result.merged.servers.reserve(std::max(ours.servers.size(), theirs.servers.size()));
  Merger(base, ours, theirs, result).MergeServers();
  result.merged.options.forceAdmin =
      MergedValue(base.options.forceAdmin, ours.options.forceAdmin, theirs.options.forceAdmin);
  result.merged.options.fullScreen =
      MergedValue(base.options.fullScreen, ours.options.fullScreen, theirs.options.fullScreen);
  result.merged.startupPassword =
      MergedValue(base.startupPassword, ours.startupPassword, theirs.startupPassword);
  return result;
}

}  // namespace rdc
