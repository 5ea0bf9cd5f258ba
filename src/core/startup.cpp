// The start-up decisions over the bytes read from ms.ini and a password prompt.
#include "core/startup.h"

#include "core/config_cipher.h"
#include "core/config_file.h"

namespace rdc {

bool RunStartup(AppState& state, std::string_view fileBytes, LoginPrompt& prompt) {
  state.loadedConfig = ConfigCipher(fileBytes);
  state.startupPassword = StartupPasswordOf(state.loadedConfig);
  // With a password set, only the prompt can open the way.
  state.accessGranted = state.startupPassword.empty();
  if (!state.accessGranted) prompt.Show(state);
  return state.accessGranted;
}

bool IsStartupPasswordAccepted(std::string_view typed, std::string_view startupPassword) {
  return !typed.empty() && typed == startupPassword;
}

}  // namespace rdc
