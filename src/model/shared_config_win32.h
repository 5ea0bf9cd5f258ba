// ms.ini as several copies of the program share it (from one folder on a
// terminal server or a network share): every save and every reload reads the
// file and merges, and one copy at a time does so, under a byte-range lock on
// "ms.ini.lock" beside the file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "model/config_store_win32.h"
#include "model/config_sync.h"

namespace rdc {

// How long a save or a reload waits for another copy to finish its own.
inline constexpr DWORD kConfigLockWaitMs = 5000;

class SharedConfig {
 public:
  // `plain` and `stamp`: the deciphered file and its stamp as the start-up read them.
  SharedConfig(const ConfigFileStore& store, std::string plain, FileStamp stamp);
  SharedConfig(const SharedConfig&) = delete;
  SharedConfig& operator=(const SharedConfig&) = delete;

  // False for a run that could not read the file: it neither writes nor reloads.
  bool active() const { return !store_.keepsFileAsItIs(); }
  // The folder that holds the file.
  std::wstring folder() const;
  std::wstring lockPath() const { return store_.path() + L".lock"; }

  struct Saved {
    SaveResult result;
    ConfigMerge merge;  // this copy's content from now on, saved or not
  };
  // Merges `ours` with the file and writes the result. A failure leaves the
  // file as it was; this copy's changes then go with its next save.
  Saved Save(const ConfigContent& ours);

  // Merges another copy's changes of the file into `ours`; nothing when the
  // file holds what this copy last read or wrote, or cannot be read now.
  std::optional<ConfigMerge> Reload(const ConfigContent& ours);

  // Whether the file's stamp differs from the one it had when this copy last
  // read or wrote it: a reload is worth trying.
  bool MayHaveChanged() const;

 private:
  const ConfigFileStore& store_;
  ConfigSync sync_;
  FileStamp stamp_;
};

}  // namespace rdc
