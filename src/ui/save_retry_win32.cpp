#include "ui/save_retry_win32.h"

#include <utility>

#include "model/shared_config_win32.h"
#include "ui/messages.h"
#include "os/system_error_win32.h"

namespace rdc {

SaveRetry::SaveRetry(MessagePrompt& prompt, SaveClock& clock, std::wstring title, UINT_PTR timer,
                     Save save)
    : prompt_(prompt),
      clock_(clock),
      title_(std::move(title)),
      timer_(timer),
      save_(std::move(save)) {}

void SaveRetry::Settle(SaveResult result, bool keepSelection) {
  while (!result.saved()) {
    const std::uint64_t now = clock_.NowMs();
    if (FoundBusy(result)) {
      unsaved_.Busy(now);
      if (!unsaved_.AskDue(now)) break;  // tried again at the retry timer's ticks
    }
    const bool lockHeld =
        result.failedStep == SaveStep::Lock && result.error == ERROR_LOCK_VIOLATION;
    const std::wstring text = kSaveFailed + (L"\n" + (lockHeld ? std::wstring(kConfigLockHeld)
                                                               : SystemErrorText(result.error)));
    if (prompt_.Show(text.c_str(), kSaveFailedCaption, MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY) {
      unsaved_.Kept();  // goes with the next save
      break;
    }
    unsaved_.WaitAgain(clock_.NowMs());
    result = save_(keepSelection);
  }
  if (result.saved()) unsaved_.Saved();
}

void SaveRetry::ShowState(bool keepTimer) {
  if (unsaved_.retrying() || keepTimer)
    SetTimer(window_, timer_, kSaveRetryPeriodMs, nullptr);
  else
    KillTimer(window_, timer_);
  if (captionMarked_ == unsaved_.unsaved()) return;
  captionMarked_ = unsaved_.unsaved();
  SetWindowTextW(window_, (title_ + (captionMarked_ ? kUnsavedTitleMark : L"")).c_str());
}

}  // namespace rdc
