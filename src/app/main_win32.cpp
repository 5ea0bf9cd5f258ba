// The program's entry: works in its own folder, leaves the work to a copy
// already running from it, reads ms.ini, asks for the start-up password when
// one is set, connects when it was started to, else runs the main window.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "app/command_line_win32.h"
#include "app/single_copy_win32.h"
#include "launch/launch_environment_win32.h"
#include "model/config_file.h"
#include "model/config_store_win32.h"
#include "model/server_by_name.h"
#include "model/startup.h"
#include "os/executable_folder_win32.h"
#include "text/text_win32.h"
#include "ui/form_win32.h"
#include "ui/hand_over_win32.h"
#include "ui/login_dialog_win32.h"
#include "ui/main_window_win32.h"
#include "ui/message_loop_win32.h"
#include "ui/messages.h"
#include "ui/probe_outcomes_win32.h"
#include "ui/prompt_win32.h"
#include "ui/window_messages.h"

namespace rdc {
namespace {

// Hands what this start was asked to do to the copy running from the same
// folder, and shows that copy.
void HandToRunningCopy(const std::wstring& folder, const StartRequest& request) {
  if (request.connectName) {
    if (HWND main = RunningCopyMainWindow(folder))
      SendHandOver(main, kHandOverConnect, {*request.connectName});
  }
  BringRunningCopyToFront(folder);
}

// "/connect NAME" at start-up: connects to the named server with the options
// of ms.ini; false when no server has that name (said in a box).
bool ConnectAtStart(const AppState& state, const std::wstring& name, LaunchEnvironment& launch,
                    MessagePrompt& prompt) {
  ServerList servers;
  ConfigOptions options;
  ParseConfig(state.loadedConfig, servers, options);
  const int number = EntryNumberByName(servers, GbkFromWide(name));
  if (number == 0) {
    prompt.Show(ServerNotFoundText(name).c_str(), kOperationErrorCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  const LaunchOptions launchOptions{options.forceAdmin, !options.fullScreen, options.fullScreen,
                                    false};
  if (ConnectSelected(launch, servers, number, launchOptions) == LaunchResult::IllegalCharacters)
    prompt.Show(kIllegalServerText, kOperationErrorCaption, MB_OK | MB_ICONERROR);
  return true;
}

// The period of the status sweeps: 10 s. The soak benchmark alone shortens it
// through the environment variable RDC_PROBE_INTERVAL_MS (100 ms at the least);
// nothing else sets it.
UINT SweepPeriodMs() {
  wchar_t text[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"RDC_PROBE_INTERVAL_MS", text, 16);
  if (length == 0 || length >= 16) return kSweepPeriodMs;
  const unsigned long period = std::wcstoul(text, nullptr, 10);
  return period >= 100 && period < kSweepPeriodMs ? static_cast<UINT>(period) : kSweepPeriodMs;
}

}  // namespace
}  // namespace rdc

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const std::wstring folder = rdc::ExecutableFolder();
  SetCurrentDirectoryW(folder.c_str());  // every relative name resolves beside the exe

  const rdc::StartRequest request = rdc::ReadStartRequest(GetCommandLineW());
  // Two copies of one folder would each save their own list over the other's.
  const rdc::SingleCopyLock lock(folder);
  if (!lock.first()) {
    rdc::HandToRunningCopy(folder, request);
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
  // Started to connect: no window, and ms.ini stays as it is.
  if (request.connectName && rdc::ConnectAtStart(state, *request.connectName, launch, prompt))
    return 0;
  rdc::ProbeSweeps sweeps(rdc::SweepPeriodMs());
  rdc::ShellAddressOpener addresses;
  rdc::MainWindow window(state, {store, launch, sweeps, addresses, prompt});
  HWND main = window.Create();
  rdc::RunMessageLoop([main] { return !IsWindow(main); });
  return 0;
}
