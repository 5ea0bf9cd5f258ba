// The start-up decisions: decipher what was read from ms.ini, take the start-up
// password out of it, and ask for it when one is set.
#pragma once

#include <string_view>

#include "model/app_state.h"

namespace rdc {

// The password prompt. Show() returns when the prompt has closed; it sets
// state.accessGranted when the right password was confirmed.
class LoginPrompt {
 public:
  virtual ~LoginPrompt() = default;
  virtual void Show(AppState& state) = 0;
};

// Takes the deciphered ms.ini `plain` as the run's content: loadedConfig, the
// servers (appended), the options (from their design states) and the start-up
// password. The file is parsed here and nowhere else.
void LoadConfig(AppState& state, std::string plain);

// Loads the file's bytes (empty when the file is missing), shows the prompt
// when a password is set, and returns whether the main window may open.
bool RunStartup(AppState& state, std::string_view fileBytes, LoginPrompt& prompt);

// The prompt's rule: the typed text equals the start-up password byte for byte
// and is not empty.
bool IsStartupPasswordAccepted(std::string_view typed, std::string_view startupPassword);

// What the set-password dialog's OK does with its two fields.
enum class NewPasswordVerdict {
  Mismatch,        // the fields differ: say so, keep the dialog
  HasCloseMarker,  // ">" would end the stored password early: refuse, keep the dialog
  AskToClear,      // both empty: ask before the password is cleared
  Set,             // take the new password
};
NewPasswordVerdict JudgeNewStartupPassword(std::string_view newPassword, std::string_view repeat);

}  // namespace rdc
