// One running copy per folder: a second start from the folder of a running copy
// brings that copy's window to the front instead of running beside it, since
// the two would overwrite each other's ms.ini.
#pragma once

#include <windows.h>

#include <string>

#include "os/owners_win32.h"

namespace rdc {

// The name of the lock for `folder`; spellings that differ only in letter case
// give the same name.
std::wstring SingleCopyLockName(const std::wstring& folder);

// Held for the whole run by the first copy started from `folder`; copies in
// other folders take locks of their own.
class SingleCopyLock {
 public:
  explicit SingleCopyLock(const std::wstring& folder);
  SingleCopyLock(const SingleCopyLock&) = delete;
  SingleCopyLock& operator=(const SingleCopyLock&) = delete;

  // False when a copy from the same folder holds the lock already.
  bool first() const { return first_; }

 private:
  UniqueHandle mutex_;
  bool first_ = true;
};

// Brings to the front the window of another running copy whose executable is
// in `folder`: among its visible top-level windows (main window, start-up
// prompt, a message box) the one that takes input. False when there is none.
bool BringRunningCopyToFront(const std::wstring& folder);

// The main window of another running copy whose executable is in `folder`;
// nullptr when there is none (the copy may still be at its start-up prompt).
HWND RunningCopyMainWindow(const std::wstring& folder);

}  // namespace rdc
