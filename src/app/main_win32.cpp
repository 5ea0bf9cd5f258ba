// The program's entry: works in its own folder, reads ms.ini, asks for the
// start-up password when one is set, then runs the main window.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/config_file.h"
#include "core/config_store_win32.h"
#include "core/executable_folder_win32.h"
#include "core/startup.h"
#include "core/text_win32.h"
#include "ui/form_win32.h"
#include "ui/login_dialog_win32.h"
#include "ui/main_window_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const std::wstring folder = rdc::ExecutableFolder();
  SetCurrentDirectoryW(folder.c_str());  // every relative name resolves beside the exe

  rdc::AppState state;
  const rdc::ConfigFileStore store(folder + L"\\" + rdc::WideFromGbk(rdc::kConfigFileName));
  rdc::LoginDialogPrompt prompt;
  if (!rdc::RunStartup(state, store.Read(), prompt)) return 0;

  rdc::MainWindow window(state, store);
  HWND main = window.Create();
  rdc::RunMessageLoop([main] { return !IsWindow(main); });
  return 0;
}
