// Figures of the three-way merge of ms.ini's content at 10,000 servers, each
// beside its floor: composing and parsing the same list's text, which a save
// and a reload do anyway. The common cases (one add, one edit on each side)
// and the search's hard ones (every record changed, the order reversed, a few
// records repeated in another order).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "model/config_file.h"
#include "model/list_merge.h"

namespace {

using namespace rdc;
using Clock = std::chrono::steady_clock;
constexpr int kServers = 10000;
constexpr int kRuns = 7;

double MedianMilliseconds(const std::function<void()>& work) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

ServerTexts Server(int n, const std::string& tag = "") {
  return {"10." + std::to_string(n / 65536 % 256) + "." + std::to_string(n / 256 % 256) + "." +
              std::to_string(n % 256),
          "3389", "Administrator", "secret", "remark " + std::to_string(n) + tag};
}

ConfigContent Content(int first, int count, const std::string& tag = "") {
  ConfigContent content;
  for (int n = first; n < first + count; ++n) AppendServer(content.servers, Server(n, tag));
  return content;
}

// As another run reads it from the file: new entries.
ConfigContent Reloaded(const ConfigContent& content) {
  ConfigContent copy;
  ParseConfig(ComposeConfigText(content.servers, {}, ""), copy.servers, copy.options);
  return copy;
}

void Row(const char* what, const ConfigContent& base, const ConfigContent& ours,
         const ConfigContent& theirs) {
  int conflicts = 0;
  std::size_t size = 0;
  const double ms = MedianMilliseconds([&] {
    const ConfigMerge merge = MergeConfig(base, ours, theirs);
    conflicts = merge.conflicts;
    size = merge.merged.servers.size();
  });
  std::printf("  %-46s %8.2f ms  (%zu servers, %d conflicts)\n", what, ms, size, conflicts);
}

}  // namespace

int main() {
  const ConfigContent base = Content(0, kServers);
  const std::string text = ComposeConfigText(base.servers, {}, "");
  std::printf("list merge at %d servers (median of %d runs)\n", kServers, kRuns);
  std::printf("  floor: compose the file's text               %8.2f ms\n",
              MedianMilliseconds([&] { ComposeConfigText(base.servers, {}, ""); }));
  std::printf("  floor: parse the file's text                 %8.2f ms\n", MedianMilliseconds([&] {
                ServerList list;
                ConfigOptions options;
                ParseConfig(text, list, options);
              }));

  ConfigContent added = base;
  AppendServer(added.servers, Server(kServers));
  Row("save after one add", base, added, Reloaded(base));
  Row("reload after another copy's add", base, base, Reloaded(added));

  ConfigContent oursEdited = base, theirsEdited = base;
  ReplaceServerTexts(oursEdited.servers, 100, Server(100, " ours"));
  ReplaceServerTexts(theirsEdited.servers, kServers - 100, Server(kServers - 100, " theirs"));
  Row("one edit on each side", base, oursEdited, Reloaded(theirsEdited));

  ConfigContent oursDeleted = base;
  RemoveServer(oursDeleted.servers, kServers / 2);
  Row("delete here, add there", base, oursDeleted, Reloaded(added));

  ConfigContent everySecond = base;
  for (int n = 0; n < kServers; n += 2)
    ReplaceServerTexts(everySecond.servers, n + 1, Server(n, " changed"));
  Row("file changed every second record", base, base, Reloaded(everySecond));
  Row("file holds another list", base, base, Content(kServers, kServers));

  ConfigContent reversed;
  for (int n = kServers - 1; n >= 0; --n) AppendServer(reversed.servers, Server(n));
  Row("file holds the list reversed", base, base, reversed);
  // Few distinct records in a different order on each side: long searches
  // on every diagonal; the costliest shape found.
  ConfigContent fewRecords, fewShuffled;
  unsigned seed = 14;
  for (int n = 0; n < kServers; ++n) {
    seed = seed * 1103515245u + 12345u;
    AppendServer(fewRecords.servers, Server(n % 4));
    AppendServer(fewShuffled.servers, Server(static_cast<int>(seed >> 16) % 4));
  }
  Row("4 distinct records, shuffled (worst case)", fewRecords, fewRecords, fewShuffled);
  ConfigContent halfReversed = base;
  std::reverse(halfReversed.servers.begin() + kServers / 2, halfReversed.servers.end());
  Row("file holds the second half reversed", base, base, Reloaded(halfReversed));
  return 0;
}
