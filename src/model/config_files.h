// What a save of ms.ini needs of the file system, in portable terms: the lock
// that keeps the copies of the program apart, the file's bytes and stamp, and
// the write that puts new bytes in the file's place in one step. The
// Windows store implements it; tests use a recording fake.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/pending_save.h"

namespace rdc {

// The system's error codes, numbered as Windows numbers them (the store checks
// that they match), so that a box can show the system's text for any of them.
// These are the ones the save's sequence tells apart.
inline constexpr std::uint32_t kNoError = 0;
inline constexpr std::uint32_t kSharingViolation = 32;  // the file is open unshared
inline constexpr std::uint32_t kLockViolation = 33;     // another copy holds the lock
inline constexpr std::uint32_t kFileCorrupt = 1392;     // not this program's list

// What tells one version of a file from another without reading it: its
// identity on its volume, its size and its last-write time. A file that is
// missing or cannot be opened has the empty stamp.
struct FileStamp {
  bool exists = false;
  std::uint32_t volume = 0;
  std::uint64_t id = 0;
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;
  bool operator==(const FileStamp&) const = default;
};

// What reading the file gave: its bytes, and whether it exists but could not
// be read (locked by another program, access denied; `error` says why). A
// missing file is not unreadable: it reads as empty, like an empty one.
struct ConfigRead {
  std::string bytes;
  bool unreadable = false;
  std::uint32_t error = kNoError;
  FileStamp stamp;  // of the file read; empty when it was missing
};

// The steps of a save, in order.
enum class SaveStep {
  Lock,  // one copy of the program at a time reads, merges and writes the file
  Read,  // what the file holds now is merged with this copy's list first
  PlaceOnlyCopy,  // a temporary left as the only copy of the list is renamed into place first
  CreateTemporary,
  Write,
  Flush,
  Close,
  Replace,
};

// What a save came to: kNoError, or the system's error code and the step
// that failed.
struct SaveResult {
  std::uint32_t error = kNoError;
  SaveStep failedStep = SaveStep::Replace;
  bool saved() const { return error == kNoError; }
};

// The lock, held until this is gone.
class HeldLock {
 public:
  virtual ~HeldLock() = default;
};

class ConfigFiles {
 public:
  virtual ~ConfigFiles() = default;

  // The file's full name.
  virtual const std::wstring& path() const = 0;

  // Takes the lock, waiting up to `waitMs` for another copy to give it up:
  // kNoError with `held` set, kLockViolation when it is still held, or the
  // error that kept the lock from being made.
  virtual std::uint32_t TakeLock(std::uint32_t waitMs, std::unique_ptr<HeldLock>& held) const = 0;

  // The file's bytes and stamp, or why they could not be read.
  virtual ConfigRead Read() const = 0;

  // Writes the bytes to a temporary file beside the file and puts it in the
  // file's place in one step. When a step fails the file is as it was.
  virtual SaveResult Save(std::string_view bytes) const = 0;

  // The file's stamp now.
  virtual FileStamp Stamp() const = 0;

  // True for a run that could not read the file: Save then writes nothing and
  // succeeds, so the run never overwrites what it did not see.
  virtual bool keepsFileAsItIs() const = 0;
};

// The lock file beside the file.
inline std::wstring LockPathOf(const ConfigFiles& files) {
  return files.path() + L".lock";
}

// The clock the waits for a busy file run on.
class WaitClock : public SaveClock {
 public:
  virtual void Pause(std::uint32_t ms) = 0;
};

// The system's steady clock.
WaitClock& SteadyWaitClock();

}  // namespace rdc
