// The program's entry: works in its own folder, leaves the work to a copy
// already running from it, reads ms.ini, asks for the start-up password when
// one is set, then runs the main window.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/single_copy_win32.h"
#include "launch/launch_environment_win32.h"
#include "model/config_file.h"
#include "model/config_store_win32.h"
#include "model/startup.h"
#include "os/executable_folder_win32.h"
#include "text/text_win32.h"
#include "ui/form_win32.h"
#include "ui/login_dialog_win32.h"
#include "ui/main_window_win32.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"
#include "ui/probe_outcomes_win32.h"
#include "ui/prompt_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const std::wstring folder = rdc::ExecutableFolder();
  SetCurrentDirectoryW(folder.c_str());  // every relative name resolves beside the exe

  // Two copies of one folder would each save their own list over the other's.
  const rdc::SingleCopyLock lock(folder);
  if (!lock.first()) {
    rdc::BringRunningCopyToFront(folder);
    return 0;
  }

  rdc::AppState state;
  rdc::MessageBoxPrompt prompt;
  rdc::ConfigFileStore store(folder + L"\\" + rdc::WideFromGbk(rdc::kConfigFileName));
  const rdc::ConfigRead config = store.Read();
  if (config.unreadable) {
    // The run goes on with an empty list but must not save it over the user's.
    store.KeepFileAsItIs();
    prompt.Show(rdc::kConfigUnreadable, rdc::kConfigUnreadableCaption, MB_OK | MB_ICONWARNING);
  }
  rdc::LoginDialogPrompt login(prompt);
  if (!rdc::RunStartup(state, config.bytes, login)) return 0;

  rdc::Win32LaunchEnvironment launch;
  rdc::ProbeSweeps sweeps;
  rdc::ShellAddressOpener addresses;
  rdc::MainWindow window(state, {store, launch, sweeps, addresses, prompt});
  HWND main = window.Create();
  rdc::RunMessageLoop([main] { return !IsWindow(main); });
  return 0;
}
