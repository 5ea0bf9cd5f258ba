// The start-up decisions over the bytes read from ms.ini and a password prompt.
#include "model/startup.h"

#include "model/config_cipher.h"
#include "model/config_file.h"
#include "text/gbk_text.h"

#include <utility>

namespace rdc {

void LoadConfig(AppState& state, std::string plain) {
  state.loadedConfig = std::move(plain);
  state.options = {};
  ParseConfig(state.loadedConfig, state.servers, state.options);
  state.startupPassword = StartupPasswordOf(state.loadedConfig);
}

bool RunStartup(AppState& state, std::string_view fileBytes, LoginPrompt& prompt) {
  LoadConfig(state, ConfigCipher(fileBytes));
  // With a password set, only the prompt can open the way.
  state.accessGranted = state.startupPassword.empty();
  if (!state.accessGranted) prompt.Show(state);
  return state.accessGranted;
}

bool IsStartupPasswordAccepted(std::string_view typed, std::string_view startupPassword) {
  return !typed.empty() && typed == startupPassword;
}

NewPasswordVerdict JudgeNewStartupPassword(std::string_view newPassword, std::string_view repeat) {
  if (newPassword != repeat) return NewPasswordVerdict::Mismatch;
  if (FindText(newPassword, ">") != -1) return NewPasswordVerdict::HasCloseMarker;
  if (newPassword.empty()) return NewPasswordVerdict::AskToClear;
  return NewPasswordVerdict::Set;
}

}  // namespace rdc
