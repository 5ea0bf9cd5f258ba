// What the user is told of a connection that was not made.
#pragma once

#include "launch/client_launch.h"
#include "ui/prompt_win32.h"

namespace rdc {

// Says in a box why a connection was not made; nothing when it was.
void ReportLaunchOutcome(const LaunchOutcome& outcome, MessagePrompt& prompt);

}  // namespace rdc
