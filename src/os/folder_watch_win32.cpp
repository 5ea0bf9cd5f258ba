// The folder watch's thread: one post per burst of changes.
#include "os/folder_watch_win32.h"

namespace rdc {
namespace {

// A save is several changes (a temporary written, then put in place); they are
// told as one once the folder has been quiet this long, or after a few rounds.
constexpr DWORD kQuietMs = 50;
constexpr int kMostQuietRounds = 10;

}  // namespace

FolderWatch::FolderWatch(const std::wstring& folder, HWND window, UINT message)
    : window_(window),
      message_(message),
      notification_(FindFirstChangeNotificationW(
          folder.c_str(), FALSE,
          FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (notification_ && stop_) thread_ = std::thread([this] { Run(); });
}

FolderWatch::~FolderWatch() {
  if (!thread_.joinable()) return;
  SetEvent(stop_.get());
  thread_.join();
}

void FolderWatch::Run() const {
  const HANDLE waits[] = {stop_.get(), notification_.get()};
  constexpr DWORD kChanged = WAIT_OBJECT_0 + 1;
  while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == kChanged) {
    for (int round = 0; round < kMostQuietRounds; ++round) {
      if (!FindNextChangeNotification(notification_.get())) return;
      const DWORD waited = WaitForMultipleObjects(2, waits, FALSE, kQuietMs);
      if (waited == WAIT_OBJECT_0) return;
      if (waited != kChanged) break;  // quiet
    }
    PostMessageW(window_, message_, 0, 0);
  }
}

}  // namespace rdc
