#include "ui/launch_outcome_win32.h"

#include <string>

#include "ui/messages.h"
#include "os/system_error_win32.h"

namespace rdc {

void ReportLaunchOutcome(const LaunchOutcome& outcome, MessagePrompt& prompt) {
  const UINT error = MB_OK | MB_ICONERROR;
  switch (outcome.result) {
    case LaunchResult::Started: return;
    case LaunchResult::NoSelection:
      prompt.Show(kSelectServerFirst, kOperationErrorCaption, error);
      return;
    case LaunchResult::IllegalCharacters:
      prompt.Show(kIllegalServerText, kOperationErrorCaption, error);
      return;
    case LaunchResult::ClientNotStarted: {
      const std::wstring text = kClientNotStarted + SystemErrorText(outcome.clientError);
      prompt.Show(text.c_str(), kConnectFailedCaption, error);
      return;
    }
    case LaunchResult::CredentialNotLent: {
      const std::wstring text = kCredentialNotLent + SystemErrorText(outcome.clientError);
      prompt.Show(text.c_str(), kConnectFailedCaption, error);
      return;
    }
  }
}

}  // namespace rdc
