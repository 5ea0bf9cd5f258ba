// How the main window imports other programs' server lists.
#pragma once

#include <stop_token>
#include <string>
#include <vector>

#include "import/import_files.h"
#include "model/server_list.h"

namespace rdc {

class ServerImporter {
 public:
  virtual ~ServerImporter() = default;
  // The servers of the files at `paths` that are not yet in `existing`, with
  // the counts for the summary; `prompt` is asked for a master password a
  // file needs. Reads only; may run on any thread. Ends soon once `stop` is
  // requested (its outcome is then not used).
  virtual ImportOutcome Import(const std::vector<std::wstring>& paths, const ServerList& existing,
                               MasterPasswordPrompt& prompt, std::stop_token stop) = 0;
};

// The system's readers.
class SystemServerImporter : public ServerImporter {
 public:
  ImportOutcome Import(const std::vector<std::wstring>& paths, const ServerList& existing,
                       MasterPasswordPrompt& prompt, std::stop_token stop) override;
};

}  // namespace rdc
