// Connection files (.rdp) of the system's remote desktop client: lines
// "name:t:value" (a one-letter type; lines end at CR LF, LF or CR), names
// without letter case, the last of a repeated name winning, other lines ignored.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "import/data_protection.h"
#include "import/imported_server.h"

namespace rdc {

// The settings of a connection file by lower-case name: type letter and value.
struct RdpSetting {
  char16_t type = u's';
  std::u16string value;
};
std::map<std::u16string, RdpSetting> ReadRdpSettings(std::u16string_view text);

enum class RdpVerdict {
  Server,     // the file names a server
  NoAddress,  // a connection file without "full address"
  NotRdp,     // no line of the connection-file form at all
};

struct RdpFileContent {
  RdpVerdict verdict = RdpVerdict::NotRdp;
  ImportedServer server;  // when the verdict is Server
};

// The server of a decoded connection file. Its remark is `fileStem` (the file
// name without extension). The password ("password 51:b:", hexadecimal of a
// data-protection blob) is opened with `protection`.
RdpFileContent ReadRdpFile(std::u16string_view text, std::u16string_view fileStem,
                           DataProtection& protection);

}  // namespace rdc
