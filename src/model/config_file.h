// The plain text inside ms.ini: one "|"-separated record per server
// ("host|port|account|password|remark", and "|group" after it for a server in
// a group, "|group|settings" for a server with connection settings, the group
// empty when it has none), the two option lines and the start-up password line, every line
// ending in CR LF.
#pragma once

#include <string>
#include <string_view>

#include "model/server_list.h"

namespace rdc {

inline constexpr std::string_view kConfigFileName = "ms.ini";

// The two options the main window holds in its controls.
struct ConfigOptions {
  bool forceAdmin = false;  // check box "强制登陆模式"
  bool fullScreen = false;  // radio "全屏幕"; false means "小屏幕"
};

// Appends one entry per record line to `list` and applies the option lines to
// `options` (which the caller fills with the controls' current states first;
// an "#admin:" line never clears forceAdmin). Reads up to the first zero byte.
// A record line sets no option, whatever markers its texts hold. A line that
// begins with "#LoadinPass:<" is neither a record nor an option;
// a lone LF in a record's remark is a CR LF line break. A record's sixth
// field is its group; fields after it are ignored.
void ParseConfig(std::string_view plain, ServerList& list, ConfigOptions& options);

// The plain text SaveConfig enciphers and writes. A line break in a remark
// is written as StoredRemark gives it.
std::string ComposeConfigText(const ServerList& list, const ConfigOptions& options,
                              std::string_view startupPassword);

// A remark as ms.ini holds it: each line break (CR LF, lone CR, lone LF) a
// lone LF. Two remarks that give the same stored remark read back the same.
std::string StoredRemark(std::string_view remark);

// Whether the texts can be stored so that the next start reads the same
// server: no "|" in any field, and no control character (below 0x20) in the
// host, port, account or password, and a host that does not begin with the
// password line's "#LoadinPass:<". The remark may hold line breaks but no
// zero byte; the group must be one IsStorableGroup accepts. The settings'
// text holds only ASCII characters from 0x20 to 0x7E, no "|" and none of
// the option and password markers ("#onsole:", "#admin:", "#Start:",
// "#LoadinPass:<").
bool IsStorable(const ServerTexts& texts);

// Whether a deciphered ms.ini is damaged or is not this program's list (another
// key, another program's file of the same name): it holds a zero byte before
// its last byte, or it is not empty and none of its lines is a server record,
// an option line or the password line. Every text ComposeConfigText gives for
// storable texts is sound.
bool IsDamagedConfig(std::string_view plain);

// The start-up password held by a deciphered configuration ("" when none):
// the text between "#LoadinPass:<" and ">" on the lines that begin with the
// marker, several joined by "||".
std::string StartupPasswordOf(std::string_view plain);

}  // namespace rdc
