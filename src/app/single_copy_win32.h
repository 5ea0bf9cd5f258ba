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

// Held by the thread that takes it, on behalf of the first copy started from
// `folder`, until Release() or the end of that copy; copies in other folders
// take locks of their own.
class SingleCopyLock {
 public:
  explicit SingleCopyLock(const std::wstring& folder);
  ~SingleCopyLock() { Release(); }
  SingleCopyLock(const SingleCopyLock&) = delete;
  SingleCopyLock& operator=(const SingleCopyLock&) = delete;

  // False when a copy from the same folder holds the lock already.
  bool first() const { return first_; }

  // Waits up to `milliseconds` for the copy that holds the lock to give it up
  // (or to end); true when this copy then holds it.
  bool TakeOver(DWORD milliseconds);

  // Lets the next copy from the folder run, once this one has nothing more to
  // do with the folder's files.
  void Release();

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

// The start-up password prompt of such a copy; nullptr when none is up.
HWND RunningCopyStartupPrompt(const std::wstring& folder);

// What a copy that found the lock held learnt of the copy that holds it.
enum class RunningCopy {
  Shown,       // its window was brought to the front
  Gone,        // it ended (or gave up the lock) meanwhile: this copy now holds the lock
  Windowless,  // it showed no window within the wait
};

// Looks for the running copy's window for up to `milliseconds` (a copy that
// is starting has none yet), taking over the lock if the copy ends meanwhile.
RunningCopy FindRunningCopy(const std::wstring& folder, SingleCopyLock& lock, DWORD milliseconds);

}  // namespace rdc
