// Importing other programs' server lists: each file read whole and told by
// its content (connection file, group file, connection list), its servers
// checked against the list and against each other, and what was added,
// skipped and refused counted for the summary.
#pragma once

#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "import/conf_cons_file.h"
#include "import/data_protection.h"
#include "import/import_text.h"
#include "import/xml_element.h"
#include "model/server_list.h"

namespace rdc {

// Files larger than this (64 MiB) are refused, not read: no list of servers
// comes near it, and the tree of a larger XML file would need gigabytes.
inline constexpr std::size_t kMaxImportFileSize = 64u << 20;

// A file as the system read it.
struct FileBytes {
  std::optional<std::string> bytes;  // nothing when it was not read
  bool tooLarge = false;             // not read: larger than kMaxImportFileSize
};

// What an import needs from the system. An implementation may stop its long
// operations (key derivation, XML reading, data protection) once the import
// is told to stop, answering them as failed.
class ImportEnvironment : public AnsiDecoder, public DataProtection, public ConfConsCrypto {
 public:
  // The file's bytes; nothing when it cannot be read (missing, locked, a
  // folder) or is larger than kMaxImportFileSize.
  virtual FileBytes ReadWholeFile(const std::u16string& path) = 0;
  // The document's root element; nothing when it is not well-formed. Throws
  // XmlTooLarge for a document over kMaxXmlItems.
  virtual std::optional<XmlElement> ParseXmlDocument(std::string_view bytes) = 0;
  // The text in GBK (code page 936); nothing when a character has no GBK form.
  virtual std::optional<std::string> ToGbk(std::u16string_view text) = 0;
};

// Why a file was refused whole.
enum class ImportRefusal {
  Unreadable,     // the file could not be read
  NotWellFormed,  // XML that is not well-formed, or a sealed content that is damaged
  UnknownFormat,  // none of the formats this program reads
  NoAddress,      // a connection file without a server address
  Locked,         // a wholly sealed list whose master password was not given
  TooLarge,       // larger than kMaxImportFileSize
  TooManyItems,   // an XML file of more than kMaxXmlItems elements and attributes
  Failed,         // reading it failed in another way (out of memory, a fault of the system)
};
inline constexpr std::size_t kImportRefusalCount = 8;

struct RefusedFile {
  std::u16string fileName;  // the bare file name
  ImportRefusal reason;
};

struct ImportOutcome {
  std::vector<ServerTexts> added;  // GBK texts, in the files' order and each file's order
  int skipped = 0;                 // duplicates and servers whose texts cannot be stored
  int passwordsLeftEmpty = 0;      // of the added servers, those whose password did not open
  std::vector<RefusedFile> refused;
};

// The servers of the files at `paths` that are not yet in `existing`, with
// the counts for the summary. A server is a duplicate when its host (letter
// case ignored), port and account equal those of an entry of `existing` or
// of a server added before it. A server that has no host, or a text that has
// no GBK form or cannot be stored in ms.ini, is skipped. Nothing of a refused
// file is added; an exception while a file is read refuses that file only.
// Each key of a connection list is derived once per import. Once `stop` is
// requested the import ends at the next file or server and gives an empty
// outcome: nothing added, nothing refused.
ImportOutcome ImportFiles(std::span<const std::u16string> paths, const ServerList& existing,
                          ImportEnvironment& environment, MasterPasswordPrompt& prompt,
                          std::stop_token stop = {});

// The part of a path after its last "\" or "/".
std::u16string_view BareFileName(std::u16string_view path);

}  // namespace rdc
