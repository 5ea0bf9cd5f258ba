// An exclusive byte-range lock on a file: one holder at a time, across
// processes and across machines sharing a network folder. The system drops it
// when its process ends, however it ends, so a crashed holder never blocks.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "os/owners_win32.h"

namespace rdc {

class FileLock {
 public:
  // The file is created when missing; the lock is taken by Acquire.
  explicit FileLock(std::wstring path) : path_(std::move(path)) {}
  ~FileLock();  // gives the lock up
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock, waiting up to `waitMs` for another holder to give it up:
  // ERROR_SUCCESS, ERROR_LOCK_VIOLATION when it is still held, or the error
  // that kept the file from being opened.
  DWORD Acquire(DWORD waitMs);
  bool held() const { return held_; }

 private:
  std::wstring path_;
  UniqueHandle file_;
  bool held_ = false;
};

}  // namespace rdc
