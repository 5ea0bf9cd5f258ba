// The process-wide state of one run. The entry point owns the one instance and
// hands it to the windows by reference; only the UI thread writes it.
#pragma once

#include <string>

#include "model/config_file.h"
#include "model/server_list.h"

namespace rdc {

struct AppState {
  ServerList servers;
  ConfigOptions options;        // the main window's check box and radio buttons show them
  // The deciphered bytes of ms.ini, as read at start-up, until the entry
  // point hands them to the shared configuration as its first merge's base.
  std::string loadedConfig;
  std::string startupPassword;  // GBK; empty means none is set
  bool accessGranted = false;
};

}  // namespace rdc
