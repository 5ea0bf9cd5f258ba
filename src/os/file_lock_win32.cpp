// The byte-range lock: the first byte of its file, taken without blocking and
// tried again until the wait is over (Wine cannot wait for a lock
// asynchronously, and a blocking LockFileEx could not be given up).
#include "os/file_lock_win32.h"

namespace rdc {
namespace {

constexpr DWORD kRetryMs = 10;

bool TryLock(HANDLE file) {
  OVERLAPPED firstByte{};
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &firstByte) != 0;
}

}  // namespace

FileLock::~FileLock() {
  if (!held_) return;
  OVERLAPPED firstByte{};
  UnlockFileEx(file_.get(), 0, 1, 0, &firstByte);  // closing the handle drops it too
}

DWORD FileLock::Acquire(DWORD waitMs) {
  if (held_) return ERROR_SUCCESS;
  file_.reset(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_OPEN_FAILED;
  }
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  while (!TryLock(file_.get())) {
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION && error != ERROR_SHARING_VIOLATION) return error;
    if (GetTickCount64() >= deadline) return ERROR_LOCK_VIOLATION;
    Sleep(kRetryMs);
  }
  held_ = true;
  return ERROR_SUCCESS;
}

}  // namespace rdc
