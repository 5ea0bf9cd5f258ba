// How the main window imports other programs' server lists.
#pragma once

#include <string>
#include <vector>

#include "import/import_files.h"
#include "model/server_list.h"

namespace rdc {

class ServerImporter {
 public:
  virtual ~ServerImporter() = default;
  // The servers of the files at `paths` that are not yet in `existing`, with
  // the counts for the summary. Reads only.
  virtual ImportOutcome Import(const std::vector<std::wstring>& paths,
                               const ServerList& existing) = 0;
};

// The system's readers, asking for a master password with the dialog.
class SystemServerImporter : public ServerImporter {
 public:
  ImportOutcome Import(const std::vector<std::wstring>& paths, const ServerList& existing) override;
};

}  // namespace rdc
