// The shared ms.ini over the file on disk, and the system's clock for the
// waits of unsaved changes.
#pragma once

#include "model/config_store_win32.h"
#include "model/pending_save.h"
#include "model/shared_config.h"

namespace rdc {

SaveClock& SystemSaveClock();

}  // namespace rdc
