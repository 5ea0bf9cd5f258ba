// Figures of what the server manager recomputes at every change, at 10,000
// servers in 200 groups, each beside its floor: the group tree against one
// pass that counts the servers per group, the search of three words against
// a plain byte search of each word in every field, a column sort against
// sorting the rows by the host's bytes. The text key is a copy of the text
// (the system's sort key costs what it costs on top).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/server_groups.h"
#include "model/server_search.h"
#include "model/server_sort.h"

namespace {

using namespace rdc;
using Clock = std::chrono::steady_clock;
constexpr int kServers = 10000;
constexpr int kGroups = 200;
constexpr int kRuns = 9;

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

ServerList Servers() {
  ServerList list;
  for (int n = 0; n < kServers; ++n) {
    const int group = n % kGroups;
    // 20 top groups of 10 subgroups; GBK "机房" in every remark's second line.
    AppendServer(list, {n % 3 == 0 ? "host" + std::to_string(n) + ".corp.example"
                                   : "10.1." + std::to_string(n / 256 % 256) + "." +
                                         std::to_string(n % 256),
                        std::to_string(3389 + n % 7), "Administrator", "secret",
                        "remark " + std::to_string(n) + "\r\n\xBB\xFA\xB7\xBF " + std::to_string(n % 50),
                        "site" + std::to_string(group / 10) + "/rack" + std::to_string(group % 10)});
    list.back().latencyMs = n % 5 == 0 ? -1 : n % 300;
  }
  return list;
}

void Print(const char* what, double ms) {
  std::printf("  %-52s %8.3f ms\n", what, ms);
}

}  // namespace

int main() {
  const ServerList list = Servers();
  const TextKey key = [](std::string_view text) { return std::string(text); };
  std::printf("server manager at %d servers in %d groups (median of %d runs)\n", kServers,
              kGroups, kRuns);

  Print("floor: count the servers per group", MedianMilliseconds([&] {
          std::unordered_map<std::string_view, int> counts;
          for (const ServerEntry& entry : list) ++counts[entry.group];
        }));
  Print("group tree", MedianMilliseconds([&] { BuildGroupTree(list, key); }));
  Print("group box paths", MedianMilliseconds([&] { GroupPaths(list, key); }));
  const std::size_t tops = BuildGroupTree(list, key).size();
  const std::size_t paths = GroupPaths(list, key).size();

  const std::vector<std::string> words = SearchWords("rack3 \xBB\xFA\xB7\xBF 3390");
  std::size_t found = 0;  // kept, so that no pass is optimised away
  Print("floor: plain byte search of 3 words in every field", MedianMilliseconds([&] {
          for (const ServerEntry& entry : list) {
            bool all = true;
            for (const std::string& word : words) {
              bool any = false;
              for (const std::string* field :
                   {&entry.host, &entry.port, &entry.account, &entry.group, &entry.remark})
                any = any || field->find(word) != std::string::npos;
              all = all && any;
            }
            found += all ? 1 : 0;
          }
        }));
  Print("search of 3 words", MedianMilliseconds([&] {
          for (const ServerEntry& entry : list) found += MatchesSearch(entry, words) ? 1 : 0;
        }));
  Print("search of 3 words in upper case", MedianMilliseconds([&] {
          const std::vector<std::string> upper = SearchWords("RACK3 \xBB\xFA\xB7\xBF 3390");
          for (const ServerEntry& entry : list) found += MatchesSearch(entry, upper) ? 1 : 0;
        }));

  std::vector<std::size_t> rows(list.size());
  const auto reset = [&] {
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = rows.size() - 1 - i;
  };
  Print("floor: sort the rows by the host's bytes", MedianMilliseconds([&] {
          reset();
          std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            return list[a].host < list[b].host;
          });
        }));
  for (const auto& [column, name] :
       {std::pair{ServerColumn::Host, "sort by host"}, {ServerColumn::Port, "sort by port"},
        {ServerColumn::Latency, "sort by latency"}, {ServerColumn::Group, "sort by group"},
        {ServerColumn::Remark, "sort by remark, descending"}}) {
    Print(name, MedianMilliseconds([&, column = column] {
            reset();
            SortRows(rows, list, column, column == ServerColumn::Remark, key);
          }));
  }
  std::size_t matches = 0;
  for (const ServerEntry& entry : list) matches += MatchesSearch(entry, words) ? 1 : 0;
  std::printf("  (%zu top groups, %zu paths, %zu of %d servers match; %zu in all runs)\n", tops,
              paths, matches, kServers, found);
  return 0;
}
