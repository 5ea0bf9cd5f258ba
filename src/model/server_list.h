// The servers the user keeps: one record per server, in list order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rdc {

enum class ServerStatus : std::int32_t { Online = 1, Offline = 2, Pending = 3 };

// A fresh number for each entry created in this run; never 0.
std::uint64_t NewEntryId();

struct ServerEntry {
  std::string host;      // IP address or domain name, GBK
  std::string port;      // decimal port as typed, GBK
  std::string account;   // GBK
  std::string password;  // GBK, plain in memory
  std::string remark;    // GBK, may hold line breaks
  ServerStatus status = ServerStatus::Pending;
  // Which entry this is, for the status probes: copies keep it, an edit in
  // place keeps it, every new entry gets its own. Never saved.
  std::uint64_t id = NewEntryId();
  std::string group;  // GBK group path, levels joined by "/" ("生产/数据库"); empty: none
  // The connection settings' text (see ComposeSettingsField), ASCII; empty:
  // every choice follows the main window. Kept as read, pairs of a later
  // version included.
  std::string settings;
  // How long the last successful probe took to connect, in ms; -1 while
  // pending or offline. Never saved.
  int latencyMs = -1;
};

// Entry number k (1-based) is list[k - 1].
using ServerList = std::vector<ServerEntry>;

// The entry with entry number `number`, or nullptr when there is none.
const ServerEntry* EntryByNumber(const ServerList& list, int number);

// The entry number of the entry `id`; 0 when no entry has it (or `id` is 0).
// A window that acts on a server later, after a dialog or a box, finds it so:
// merges with other copies' changes move entries, never their ids.
int EntryNumberOfId(const ServerList& list, std::uint64_t id);

// The texts a user gives a server (the status is the program's).
struct ServerTexts {
  std::string host, port, account, password, remark;
  std::string group;     // empty: none
  std::string settings;  // empty: none
};

// The remark's first line: up to its first CR or LF.
std::string RemarkFirstLine(std::string_view remark);

// Appends a new entry, pending until its first probe.
void AppendServer(ServerList& list, ServerTexts texts);

// Overwrites the texts of entry `number`; its status goes back to pending when
// the host or the port changes and stays otherwise. False when there is no such entry.
bool ReplaceServerTexts(ServerList& list, int number, ServerTexts texts);

// Removes entry `number`; later entries move down one number. False when there
// is no such entry.
bool RemoveServer(ServerList& list, int number);

}  // namespace rdc
