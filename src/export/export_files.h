// Export of servers to the files other programs read: a group file of a
// remote desktop manager (.rdg, schema 3), one connection file (.rdp) per
// server, or a CSV table. Each reads back through this program's import to
// the same servers, as far as its format holds them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "launch/password_blob.h"
#include "model/server_list.h"

namespace rdc {

enum class ExportFormat { GroupFile, ConnectionFiles, Csv };

// The file name extension of a format, with its dot.
std::u16string_view ExportExtension(ExportFormat format);

// One file an export writes: its bare name and its bytes.
struct ExportedFile {
  std::u16string name;
  std::string bytes;
};

struct ExportedFiles {
  std::vector<ExportedFile> files;
  int passwordsLeftOut = 0;  // passwords the system's data protection refused
};

// What the export asks of the system: the GBK texts in UTF-16
// (Utf16WithTerminator) and the passwords protected for the current Windows
// user (Protect).
using ExportSystem = PasswordProtection;

// The files of an export of `servers`. A group file or a CSV table is one file
// named `stem` plus the extension; connection files are one per server, named
// by ConnectionFileNames, holding the profile a connection writes (with the
// drive lines of `shareDisks`), in UTF-16 LE after its byte-order mark, and
// the password line only when `withPasswords`. A CSV table never holds a
// password.
ExportedFiles ExportFiles(ExportFormat format, std::span<const ServerEntry> servers,
                          std::u16string_view stem, bool withPasswords, bool shareDisks,
                          ExportSystem& system);

// UTF-8 after its byte-order mark, lines ending in CR LF: the header, then
// host, port, account, group and remark of each server; a field holding a
// comma, a quote, CR or LF is quoted, its quotes doubled.
std::string CsvText(std::span<const ServerEntry> servers, ExportSystem& system);

// The group file (UTF-8, with its declaration): the file named `name`, the
// servers' groups as nested groups, each server's display name the first line
// of its remark (its host when that is empty), its comment the whole remark,
// its port and its credentials (the account "DOMAIN\user" split in two, the
// password base64 of its protected UTF-16 LE bytes) its own settings.
ExportedFiles GroupFileText(std::span<const ServerEntry> servers, std::u16string_view name,
                            ExportSystem& system);

// A name that can be a file's name: \ / : * ? " < > | and control characters
// as "_", spaces at either end and dots at the end dropped, a name the system
// reserves for a device (CON, NUL, COM1, ..., also with an extension) with "_"
// in front, at most 100 characters; "_" for a name left empty.
std::u16string SafeFileStem(std::u16string_view name);

// The connection files' names (with ".rdp"): each server's remark's first
// line, or its host when that is empty, made safe; a name met before (letter
// case ignored) numbered " (2)", " (3)", ...
std::vector<std::u16string> ConnectionFileNames(std::span<const ServerEntry> servers,
                                                ExportSystem& system);

}  // namespace rdc
