// ms.ini as several copies of the program share it (from one folder on a
// terminal server or a network share): every save and every reload reads the
// file and merges, and one copy at a time does so, under a byte-range lock on
// "ms.ini.lock" beside the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/config_files.h"
#include "model/config_sync.h"

namespace rdc {

// How long the start-up read waits for another copy to finish its save (or
// for another program to let go of the file) before the file counts as
// unreadable. Saves and reloads on the window's thread do not wait: they are
// tried again later.
inline constexpr std::uint32_t kStartupReadWaitMs = 5000;

// Reads ms.ini under the lock, as a save does, so that it never meets a
// save's replace halfway. A lock held by another copy, or the file held by
// another program without sharing, is tried again for up to `waitMs`; after
// that the file is unreadable with kLockViolation or kSharingViolation. A
// lock that cannot even be made (a folder this user may only read) keeps no
// one from reading: every save replaces the file in one step.
ConfigRead ReadConfigUnderLock(const ConfigFiles& files, std::uint32_t waitMs,
                               WaitClock& clock = SteadyWaitClock());

// Whether a read or a save found the file in another's hands for now (the
// lock held, the file open unshared): worth trying again shortly.
bool FoundBusy(const ConfigRead& read);
bool FoundBusy(const SaveResult& result);

class SharedConfig {
 public:
  // `plain` and `stamp`: the deciphered file and its stamp as the start-up read them.
  SharedConfig(const ConfigFiles& files, std::string plain, FileStamp stamp,
               WaitClock& clock = SteadyWaitClock());
  ~SharedConfig() = default;
  SharedConfig(const SharedConfig&) = delete;
  SharedConfig& operator=(const SharedConfig&) = delete;

  // False for a run that could not read the file: it neither writes nor reloads.
  bool active() const { return !files_.keepsFileAsItIs(); }
  // The folder that holds the file.
  std::wstring folder() const;
  std::wstring lockPath() const { return LockPathOf(files_); }

  struct Saved {
    SaveResult result;
    ConfigMerge merge;  // this copy's content from now on, saved or not
  };
  // Merges `ours` with the file and writes the result. A failure leaves the
  // file as it was; this copy's changes then go with its next save. The lock,
  // when another copy holds it, and the file, when another program holds it
  // unshared, are waited for up to `waitMs` (FoundBusy tells that failure).
  Saved Save(const ConfigContent& ours, std::uint32_t waitMs = 0);

  // Merges another copy's changes of the file into `ours`; nothing when the
  // file holds what this copy last read or wrote, or cannot be read now
  // (then `busy`, when given, tells whether it was only busy). It does not wait.
  std::optional<ConfigMerge> Reload(const ConfigContent& ours, bool* busy = nullptr);

  // Whether the file's stamp differs from the one it had when this copy last
  // read or wrote it: a reload is worth trying.
  bool MayHaveChanged() const;

 private:
  const ConfigFiles& files_;
  WaitClock& clock_;
  ConfigSync sync_;
  FileStamp stamp_;
};

}  // namespace rdc
