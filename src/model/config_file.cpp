// The plain text of ms.ini: records and option lines read into the server list
// and the two options, and the same text composed back for saving.
#include "model/config_file.h"

#include <utility>
#include <vector>

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

constexpr std::size_t kRecordFields = 5;

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
    if (static_cast<unsigned char>(line[i]) >= 0x80 && i + 1 < line.size()) fields.back() += line[++i];
  }
  if (fields.back().empty()) fields.pop_back();  // a trailing separator adds no field
  return fields;
}

// A record of five fields that holds more separators than five fields have
// was written with "€|" inside a field: it reads back as its writer meant.
std::vector<std::string> RecordFieldsOf(std::string_view line) {
  std::vector<std::string> fields = SplitText(line, kFieldSeparator);
  if (fields.size() > kRecordFields) {
    std::vector<std::string> earlier = FieldsAsEarlierVersionsSplit(line);
    if (earlier.size() == kRecordFields) return earlier;
  }
  return fields;
}

// A line of three fields or more is a server record, whatever it begins with.
// False when the line is not one.
bool AppendRecordOf(std::string_view line, ServerList& list) {
  const std::vector<std::string> fields = RecordFieldsOf(line);
  if (fields.size() < 3) return false;
  ServerEntry entry;
  entry.host = fields[0];
  entry.port = fields[1];
  entry.account = fields[2];
  if (fields.size() >= 4) entry.password = fields[3];
  if (fields.size() >= 5) entry.remark = RemarkFromFile(fields[4]);
  entry.status = ServerStatus::Pending;
  list.push_back(std::move(entry));
  return true;
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
  for (const std::string& line : SplitText(UpToFirstZero(plain), kLineEnd)) {
    // The password line is only the password's, whatever the password holds.
    if (line.starts_with(kPasswordBegin)) continue;
    // A record is only a server: its texts may hold an option marker.
    if (!AppendRecordOf(line, list)) ApplyOptionOf(line, options);
  }
}

std::string ComposeConfigText(const ServerList& list, const ConfigOptions& options,
                              std::string_view startupPassword) {
  std::string text;
  for (const ServerEntry& entry : list) {
    for (const std::string* field : {&entry.host, &entry.port, &entry.account, &entry.password}) {
      text += *field;
      text += kFieldSeparator;
    }
    text += StoredRemark(entry.remark);
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
  return texts.remark.find('\0') == std::string::npos;
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
