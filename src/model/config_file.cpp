// The plain text of ms.ini: records and option lines read into the server list
// and the two options, and the same text composed back for saving.
#include "model/config_file.h"

#include <utility>
#include <vector>

#include "model/server_groups.h"
#include "text/gbk_text.h"

namespace rdc {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kFieldSeparator = "|";
constexpr std::string_view kConsoleMarker = "#onsole:";
constexpr std::string_view kAdminMarker = "#admin:";
constexpr std::string_view kStartMarker = "#Start:";
constexpr std::string_view kAdminOnLine = "#admin:1";
constexpr std::string_view kFullScreenLine = "#Start:1";
constexpr std::string_view kSmallScreenLine = "#Start:0";
constexpr std::string_view kPasswordBegin = "#LoadinPass:<";
constexpr std::string_view kPasswordEnd = ">";

// The stored remark back in memory: each lone LF is a CR LF line break again.
std::string RemarkFromFile(std::string_view stored) {
  std::string remark;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\n' && (i == 0 || stored[i - 1] != '\r')) remark += '\r';
    remark += stored[i];
  }
  return remark;
}

constexpr std::size_t kRecordFields = 5;  // the fields every version reads
constexpr std::size_t kGroupField = 5;    // the sixth, written only for a server in a group
constexpr std::size_t kSettingsField = 6;  // the seventh, written only for a server with settings

// The fields as earlier versions split a record, taking every byte of 0x80 or
// more (0x80, "€", among them) with the byte after it. Those versions let a
// field hold "€|", since they did not see that "|" as a separator.
std::vector<std::string> FieldsAsEarlierVersionsSplit(std::string_view line) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == kFieldSeparator[0]) {
      fields.emplace_back();
      continue;
    }
    fields.back() += line[i];
    if (static_cast<unsigned char>(line[i]) >= 0x80 && i + 1 < line.size())
      fields.back() += line[++i];
  }
  if (fields.back().empty()) fields.pop_back();  // a trailing separator adds no field
  return fields;
}

// A record's fields. Earlier versions wrote five fields and let them hold
// "€|" (see above); this version writes a sixth, the group, only for a server
// in one, and none of its fields holds "|". So a record that splits into more
// fields than the earlier split gives:
//  - five by the earlier split: a record of an earlier version, read as its
//    writer meant, without a group ("h|p|a|pw|x€|y": remark "x€|y");
//  - six by the earlier split: such a record that this version gave a group
//    (it writes the texts it read back as they were), read by the earlier
//    split with the sixth as the group;
//  - any other count: read by the current split.
// A record of this version whose fields end in "€" may split so into five
// or six; ComposeConfigText then adds separators after the group (or after
// the settings, the seventh field) until the line reads back as written (see
// AppendFieldsAfterRemark); every version ignores the empty fields past the
// ones it knows.
std::vector<std::string> RecordFieldsOf(std::string_view line) {
  std::vector<std::string> fields = SplitText(line, kFieldSeparator);
  if (fields.size() > kRecordFields) {
    std::vector<std::string> earlier = FieldsAsEarlierVersionsSplit(line);
    if (earlier.size() < fields.size() &&
        (earlier.size() == kRecordFields || earlier.size() == kGroupField + 1))
      return earlier;
  }
  return fields;
}

// A line of three fields or more is a server record, whatever it begins with.
// False when the line is not one.
bool AppendRecordOf(std::string_view line, ServerList& list) {
  std::vector<std::string> fields = RecordFieldsOf(line);
  if (fields.size() < 3) return false;
  ServerEntry entry;
  entry.host = std::move(fields[0]);
  entry.port = std::move(fields[1]);
  entry.account = std::move(fields[2]);
  if (fields.size() >= 4) entry.password = std::move(fields[3]);
  if (fields.size() >= 5) entry.remark = RemarkFromFile(fields[4]);
  // This version writes groups in their normal form; a hand-made one is read so.
  if (fields.size() > kGroupField) entry.group = NormalizeGroupPath(fields[kGroupField]);
  if (fields.size() > kSettingsField) entry.settings = std::move(fields[kSettingsField]);
  entry.status = ServerStatus::Pending;
  list.push_back(std::move(entry));
  return true;
}

// Whether the line reads back as the entry's record with its group and settings.
bool ReadsBackWithGroup(std::string_view line, const ServerEntry& entry) {
  const std::vector<std::string> fields = RecordFieldsOf(line);
  const std::string_view settings =
      fields.size() > kSettingsField ? std::string_view(fields[kSettingsField]) : "";
  return fields.size() > kGroupField && fields[0] == entry.host && fields[1] == entry.port &&
         fields[2] == entry.account && fields[3] == entry.password &&
         fields[4] == StoredRemark(entry.remark) && fields[kGroupField] == entry.group &&
         settings == entry.settings;
}

// The line of a server in a group or with settings, its five fields already
// in `text` from `lineBegin` on: then the group (empty when none), the
// settings when it has them, then as many separators as make RecordFieldsOf
// read it back so. Only a byte of 0x80 or 0xFF before a separator (a field
// ending in "€") can need any; a line that no padding makes read back (only
// a record whose texts hold "|", read from an earlier version) gets none,
// and is written without its settings, which would shift its fields.
void AppendFieldsAfterRemark(std::string& text, std::size_t lineBegin, const ServerEntry& entry) {
  const std::size_t remarkEnd = text.size();
  text += kFieldSeparator;
  text += entry.group;
  if (!entry.settings.empty()) {
    text += kFieldSeparator;
    text += entry.settings;
  }
  if (std::string_view(text).substr(lineBegin).find_first_of("\x80\xFF") == std::string_view::npos)
    return;
  const std::size_t end = text.size();
  constexpr int kMostPadding = 4;
  for (int padding = 0; padding <= kMostPadding; ++padding) {
    if (ReadsBackWithGroup(std::string_view(text).substr(lineBegin), entry)) return;
    text += kFieldSeparator;
  }
  text.resize(end);
  if (entry.settings.empty()) return;
  text.resize(remarkEnd);
  ServerEntry withoutSettings = entry;
  withoutSettings.settings.clear();
  if (!entry.group.empty()) AppendFieldsAfterRemark(text, lineBegin, withoutSettings);
}

// The first marker the line holds decides; the option value is its last byte.
void ApplyOptionOf(std::string_view line, ConfigOptions& options) {
  const bool lastByteIsOne = !line.empty() && line.back() == '1';
  if (FindText(line, kConsoleMarker) != -1) return;
  if (FindText(line, kAdminMarker) != -1) {
    if (lastByteIsOne) options.forceAdmin = true;
    return;
  }
  if (FindText(line, kStartMarker) != -1) options.fullScreen = lastByteIsOne;
}

// The settings are ASCII and one field; an option marker in them would make
// the earliest versions, which read a whole line for its markers, take the
// record's line for an option line too.
bool IsStorableSettings(std::string_view settings) {
  for (char byte : settings) {
    const auto value = static_cast<unsigned char>(byte);
    if (value < 0x20 || value > 0x7E || byte == kFieldSeparator[0]) return false;
  }
  for (std::string_view marker : {kConsoleMarker, kAdminMarker, kStartMarker, kPasswordBegin}) {
    if (settings.find(marker) != std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

// A remark's line breaks are stored as a lone LF, so its record stays one line.
std::string StoredRemark(std::string_view remark) {
  std::string stored;
  for (std::size_t i = 0; i < remark.size(); ++i) {
    if (remark[i] == '\r') {
      stored += '\n';
      if (i + 1 < remark.size() && remark[i + 1] == '\n') ++i;
    } else {
      stored += remark[i];
    }
  }
  return stored;
}

void ParseConfig(std::string_view plain, ServerList& list, ConfigOptions& options) {
  const std::string_view text = UpToFirstZero(plain);
  // At most one record a line: the list is sized once instead of growing by
  // doubling, each time moving every entry read so far.
  std::size_t lines = 1;
  for (std::size_t at = text.find(kLineEnd); at != std::string_view::npos;
       at = text.find(kLineEnd, at + kLineEnd.size()))
    ++lines;
  list.reserve(list.size() + lines);
  ForEachPiece(text, kLineEnd, [&list, &options](std::string_view line) {
    // The password line is only the password's, whatever the password holds.
    if (line.starts_with(kPasswordBegin)) return;
    // A record is only a server: its texts may hold an option marker.
    if (!AppendRecordOf(line, list)) ApplyOptionOf(line, options);
  });
}

std::string ComposeConfigText(const ServerList& list, const ConfigOptions& options,
                              std::string_view startupPassword) {
  std::string text;
  for (const ServerEntry& entry : list) {
    const std::size_t lineBegin = text.size();
    for (const std::string* field : {&entry.host, &entry.port, &entry.account, &entry.password}) {
      text += *field;
      text += kFieldSeparator;
    }
    text += StoredRemark(entry.remark);
    if (!entry.group.empty() || !entry.settings.empty())
      AppendFieldsAfterRemark(text, lineBegin, entry);
    text += kLineEnd;
  }
  if (options.forceAdmin) {
    text += kAdminOnLine;
    text += kLineEnd;
  }
  text += options.fullScreen ? kFullScreenLine : kSmallScreenLine;
  text += kLineEnd;
  text += kPasswordBegin;
  text += startupPassword;
  text += kPasswordEnd;
  text += kLineEnd;
  return text;
}

bool IsStorable(const ServerTexts& texts) {
  // A record line that begins like the password line would be read as one.
  if (texts.host.starts_with(kPasswordBegin)) return false;
  for (const std::string* field : {&texts.host, &texts.port, &texts.account, &texts.password}) {
    if (HasControlByte(*field)) return false;
  }
  for (const std::string* field :
       {&texts.host, &texts.port, &texts.account, &texts.password, &texts.remark}) {
    if (FindText(*field, kFieldSeparator) != -1) return false;
  }
  // The reader stops at the first zero byte.
  return texts.remark.find('\0') == std::string::npos && IsStorableGroup(texts.group) &&
         IsStorableSettings(texts.settings);
}

bool IsDamagedConfig(std::string_view plain) {
  const std::size_t zero = plain.find('\0');
  if (zero != std::string_view::npos && zero + 1 < plain.size()) return true;
  ServerList records;
  for (const std::string& line : SplitText(UpToFirstZero(plain), kLineEnd)) {
    // The lines the program writes begin with their markers; a marker inside
    // a line of noise does not make it this program's.
    for (std::string_view marker : {kPasswordBegin, kAdminMarker, kStartMarker, kConsoleMarker}) {
      if (line.starts_with(marker)) return false;
    }
    if (AppendRecordOf(line, records)) return false;
  }
  return !plain.empty();
}

std::string StartupPasswordOf(std::string_view plain) {
  // Only password lines count: a server's texts may hold the marker too.
  std::string passwordLines;
  for (const std::string& line : SplitText(UpToFirstZero(plain), kLineEnd)) {
    if (!line.starts_with(kPasswordBegin)) continue;
    passwordLines += line;
    passwordLines += kLineEnd;
  }
  return TextBetweenAll(passwordLines, kPasswordBegin, kPasswordEnd);
}

}  // namespace rdc
