// One running copy per folder: a named mutex derived from the folder, and the
// running copy's windows found through the executable path of their process.
#include "app/single_copy_win32.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

#include "os/owners_win32.h"
#include "ui/control_ids.h"

namespace rdc {
namespace {

std::wstring FolderOfProcess(DWORD processId) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return {};
  wchar_t path[MAX_PATH * 4];
  DWORD size = static_cast<DWORD>(std::size(path));
  if (!QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
  const std::wstring image(path, size);
  const std::size_t cut = image.find_last_of(L'\\');
  return cut == std::wstring::npos ? std::wstring() : image.substr(0, cut);
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::wstring SingleCopyLockName(const std::wstring& folder) {
  // A path may be longer than a name may be, so the name holds a hash of it.
  std::wstring upper = folder;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits
  for (wchar_t unit : upper) {
    hash = (hash ^ static_cast<std::uint16_t>(unit)) * 1099511628211ull;
  }
  wchar_t hex[17];
  std::swprintf(hex, std::size(hex), L"%016llx", static_cast<unsigned long long>(hash));
  return L"Local\\rdconnect-" + std::wstring(hex);
}

SingleCopyLock::SingleCopyLock(const std::wstring& folder) {
  SetLastError(ERROR_SUCCESS);
  // The copy that makes the mutex owns it; one that finds it made does not.
  mutex_.reset(CreateMutexW(nullptr, TRUE, SingleCopyLockName(folder).c_str()));
  // Without a mutex (it cannot be made) the copy runs as it would alone. Set
  // here, not in an initializer: the error is the mutex's, read once it is made.
  // NOLINTNEXTLINE(cppcoreguidelines-prefer-member-initializer)
  first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

bool SingleCopyLock::TakeOver(DWORD milliseconds) {
  if (first_) return true;
  // An abandoned mutex (its copy ended without giving it up) is taken all the same.
  const DWORD waited = WaitForSingleObject(mutex_.get(), milliseconds);
  first_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  return first_;
}

void SingleCopyLock::Release() {
  if (first_ && mutex_) ReleaseMutex(mutex_.get());  // ignored: the handle goes next
  mutex_.reset();
  first_ = false;
}

bool BringRunningCopyToFront(const std::wstring& folder) {
  struct Search {
    const std::wstring& folder;
    DWORD self;
    HWND takesInput = nullptr;
    HWND any = nullptr;
  } search{folder, GetCurrentProcessId()};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(param);
        if (!IsWindowVisible(window)) return TRUE;
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search.self || !SameFolder(FolderOfProcess(owner), search.folder)) return TRUE;
        if (search.any == nullptr) search.any = window;
        // A task-modal box disables the copy's other windows; it is the one to show.
        if (search.takesInput == nullptr && IsWindowEnabled(window)) search.takesInput = window;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  HWND target = search.takesInput != nullptr ? search.takesInput : search.any;
  if (target == nullptr) return false;
  if (IsIconic(target)) ShowWindow(target, SW_RESTORE);
  SetForegroundWindow(target);  // ignored: Windows may only flash it instead
  return true;
}

// The top-level window of another copy from `folder` that holds the control `id`.
HWND RunningCopyWindowHolding(const std::wstring& folder, int id) {
  struct Search {
    const std::wstring& folder;
    int id;
    DWORD self;
    HWND found = nullptr;
  } search{folder, id, GetCurrentProcessId()};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search.self || GetDlgItem(window, search.id) == nullptr ||
            !SameFolder(FolderOfProcess(owner), search.folder))
          return TRUE;
        search.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND RunningCopyMainWindow(const std::wstring& folder) {
  return RunningCopyWindowHolding(folder, kMainServerList);
}

HWND RunningCopyStartupPrompt(const std::wstring& folder) {
  return RunningCopyWindowHolding(folder, kLoginPassword);
}

RunningCopy FindRunningCopy(const std::wstring& folder, SingleCopyLock& lock, DWORD milliseconds) {
  constexpr DWORD kLookEveryMs = 100;
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    if (BringRunningCopyToFront(folder)) return RunningCopy::Shown;
    if (lock.TakeOver(kLookEveryMs)) return RunningCopy::Gone;
    if (GetTickCount64() >= deadline) return RunningCopy::Windowless;
  }
}

}  // namespace rdc
