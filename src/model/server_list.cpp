// Looking up the servers the user keeps by their 1-based entry number.
#include "model/server_list.h"

#include <atomic>
#include <cstddef>
#include <utility>

namespace rdc {

std::uint64_t NewEntryId() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

const ServerEntry* EntryByNumber(const ServerList& list, int number) {
  if (number <= 0 || static_cast<std::size_t>(number) > list.size()) return nullptr;
  return &list[static_cast<std::size_t>(number) - 1];
}

int EntryNumberOfId(const ServerList& list, std::uint64_t id) {
  if (id == 0) return 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].id == id) return static_cast<int>(i) + 1;
  }
  return 0;
}

std::string RemarkFirstLine(std::string_view remark) {
  return std::string(remark.substr(0, remark.find_first_of("\r\n")));
}

namespace {

void AssignTexts(ServerEntry& entry, ServerTexts&& texts) {
  entry.host = std::move(texts.host);
  entry.port = std::move(texts.port);
  entry.account = std::move(texts.account);
  entry.password = std::move(texts.password);
  entry.remark = std::move(texts.remark);
  entry.group = std::move(texts.group);
  entry.settings = std::move(texts.settings);
}

}  // namespace

void AppendServer(ServerList& list, ServerTexts texts) {
  ServerEntry entry;
  AssignTexts(entry, std::move(texts));
  entry.status = ServerStatus::Pending;
  list.push_back(std::move(entry));
}

bool ReplaceServerTexts(ServerList& list, int number, ServerTexts texts) {
  if (EntryByNumber(list, number) == nullptr) return false;
  ServerEntry& entry = list[static_cast<std::size_t>(number) - 1];
  // The status told of the old host and port; the new ones are not probed yet.
  if (texts.host != entry.host || texts.port != entry.port) {
    entry.status = ServerStatus::Pending;
    entry.latencyMs = -1;
  }
  AssignTexts(entry, std::move(texts));
  return true;
}

bool RemoveServer(ServerList& list, int number) {
  if (EntryByNumber(list, number) == nullptr) return false;
  list.erase(list.begin() + (number - 1));
  return true;
}

}  // namespace rdc
