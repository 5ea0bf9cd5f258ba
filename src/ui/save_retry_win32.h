// The saves of a window's changes to ms.ini: a save that finds another copy
// saving is tried again at a timer's ticks, shown meanwhile by a mark in the
// window's caption; one that failed otherwise, or has waited long, is offered
// again in a box until the user gives up (the change then goes with the next
// save).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "model/config_store_win32.h"
#include "model/pending_save.h"
#include "ui/prompt_win32.h"

namespace rdc {

class SaveRetry {
 public:
  // Writes ms.ini from the window's content, merged with the file's, and
  // shows the merged list (keeping the selection when asked).
  using Save = std::function<SaveResult(bool keepSelection)>;

  // `title`: the window's caption without the mark; `timer`: the id of the
  // window's timer that ticks while a save is retried.
  SaveRetry(MessagePrompt& prompt, SaveClock& clock, std::wstring title, UINT_PTR timer, Save save);

  // The window whose caption and timer these are, once it exists.
  void SetWindow(HWND window) { window_ = window; }

  // Saves at once, then settles what did not go through.
  void SaveNow(bool keepSelection) { Settle(save_(keepSelection), keepSelection); }
  // What follows a save that did not go through: a retry later, or the box.
  void Settle(SaveResult result, bool keepSelection);
  // A save made elsewhere went through: nothing is unsaved.
  void Saved() { unsaved_.Saved(); }
  bool retrying() const { return unsaved_.retrying(); }

  // The caption's unsaved mark, and the retry timer while a save is retried
  // or `keepTimer` (the window waits for something else at its ticks too).
  void ShowState(bool keepTimer);

 private:
  MessagePrompt& prompt_;
  SaveClock& clock_;
  std::wstring title_;
  UINT_PTR timer_;
  Save save_;
  HWND window_ = nullptr;
  PendingSave unsaved_;  // a change not saved yet
  bool captionMarked_ = false;
};

}  // namespace rdc
