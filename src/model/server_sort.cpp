// Ordering rows of the server list by a column, each row's key taken once.
#include "model/server_sort.h"

#include <algorithm>
#include <compare>
#include <cstdint>
#include <optional>
#include <utility>

#include "model/server_address.h"

namespace rdc {
namespace {

// A row's place by one column: first by rank, then by number, then by the
// text's key, then by its bytes.
struct SortKey {
  int rank = 0;
  std::uint64_t number = 0;
  std::string textKey;
  std::string text;

  auto operator<=>(const SortKey&) const = default;
};

SortKey TextSortKey(std::string text, const TextKey& key) {
  std::string textKey = key(text);
  return SortKey{0, 0, std::move(textKey), std::move(text)};
}

// Decimal digits only, as a number (a leading zero allowed); none past 18 digits.
std::optional<std::uint64_t> DecimalNumber(std::string_view text) {
  constexpr std::size_t kMostDigits = 18;
  if (text.empty() || text.size() > kMostDigits) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

int StatusRank(ServerStatus status) {
  switch (status) {
    case ServerStatus::Online: return 0;
    case ServerStatus::Offline: return 1;
    case ServerStatus::Pending: return 2;
  }
  return 2;
}

SortKey KeyOf(const ServerEntry& entry, ServerColumn column, const TextKey& key) {
  switch (column) {
    case ServerColumn::Host:
      if (const auto quad = DottedQuadBytes(entry.host)) {
        const std::uint64_t number = std::uint64_t{(*quad)[0]} << 24 |
                                     std::uint64_t{(*quad)[1]} << 16 |
                                     std::uint64_t{(*quad)[2]} << 8 | (*quad)[3];
        return SortKey{0, number, {}, {}};
      }
      return SortKey{1, 0, key(entry.host), entry.host};
    case ServerColumn::Port:
      if (const auto number = DecimalNumber(entry.port)) return SortKey{0, *number, {}, {}};
      return SortKey{1, 0, {}, entry.port};
    case ServerColumn::Account: return TextSortKey(entry.account, key);
    case ServerColumn::Status: return SortKey{StatusRank(entry.status), 0, {}, {}};
    case ServerColumn::Latency:
      if (entry.latencyMs < 0) return SortKey{1, 0, {}, {}};
      return SortKey{0, static_cast<std::uint64_t>(entry.latencyMs), {}, {}};
    case ServerColumn::Group: return TextSortKey(entry.group, key);
    case ServerColumn::Remark: return TextSortKey(RemarkFirstLine(entry.remark), key);
  }
  return {};
}

}  // namespace

void SortRows(std::vector<std::size_t>& rows, const ServerList& list, ServerColumn column,
              bool descending, const TextKey& key) {
  std::vector<std::pair<SortKey, std::size_t>> keyed;
  keyed.reserve(rows.size());
  for (std::size_t row : rows) keyed.emplace_back(KeyOf(list[row], column, key), row);
  std::sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
    const auto order = a.first <=> b.first;
    if (order != 0) return descending ? order > 0 : order < 0;
    return a.second < b.second;
  });
  for (std::size_t i = 0; i < keyed.size(); ++i) rows[i] = keyed[i].second;
}

}  // namespace rdc
