// Tells a window when something in a folder changed: a thread of its own
// waits for the folder's change notification and posts a message.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

#include "os/owners_win32.h"

namespace rdc {

class FolderWatch {
 public:
  // Watches `folder` (its files' names, sizes and last-write times) and posts
  // `message` to `window` after each burst of changes. Without a notification
  // (the folder's file system gives none) nothing is posted.
  FolderWatch(const std::wstring& folder, HWND window, UINT message);
  ~FolderWatch();  // stops the thread and waits for it
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  bool watching() const { return thread_.joinable(); }

 private:
  void Run() const;

  HWND window_;
  UINT message_;
  UniqueChangeNotification notification_;
  UniqueHandle stop_;
  std::thread thread_;
};

}  // namespace rdc
