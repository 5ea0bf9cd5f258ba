// The import of the real program: the system's readers.
#include "import/server_importer_win32.h"

#include "import/import_environment_win32.h"

namespace rdc {

ImportOutcome SystemServerImporter::Import(const std::vector<std::wstring>& paths,
                                           const ServerList& existing,
                                           MasterPasswordPrompt& prompt, std::stop_token stop) {
  return ImportServerFiles(paths, existing, prompt, std::move(stop));
}

}  // namespace rdc
