// The program's entry: works in its own folder, leaves the work to a copy
// already running from it, reads ms.ini, asks for the start-up password when
// one is set, connects when it was started to, else runs the main window.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>
#include <utility>

#include "app/command_line_win32.h"
#include "app/hand_over_win32.h"
#include "app/single_copy_win32.h"
#include "launch/client_launch.h"
#include "launch/launch_environment_win32.h"
#include "model/config_cipher.h"
#include "model/config_file.h"
#include "model/config_store_win32.h"
#include "model/recent_servers.h"
#include "model/server_by_name.h"
#include "model/shared_config_win32.h"
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
#include "ui/user_settings_win32.h"
#include "import/server_importer_win32.h"
#include "ui/window_messages.h"

namespace rdc {
namespace {

// Hands what this start was asked to do to the copy running from the same
// folder: to its main window, or to its start-up prompt, which keeps it for
// the main window. Between the two there may be neither for a moment, so the
// copy is looked at again for a while.
void HandToRunningCopy(const std::wstring& folder, const StartRequest& request,
                       DWORD milliseconds) {
  if (!request.connectName && request.files.empty()) return;
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    HWND target = RunningCopyMainWindow(folder);
    if (target == nullptr) target = RunningCopyStartupPrompt(folder);
    if (target != nullptr &&
        (request.connectName ? SendHandOver(target, kHandOverConnect, {*request.connectName})
                             : SendHandOver(target, kHandOverFiles, request.files)))
      return;
    if (GetTickCount64() >= deadline) return;
    Sleep(100);
  }
}

// "/connect NAME" at start-up: connects to the named server with the options
// of ms.ini; false when no server has that name (said in a box).
bool ConnectAtStart(const AppState& state, const std::wstring& name, LaunchEnvironment& launch,
                    MessagePrompt& prompt, UserSettings& recentKeeper) {
  const int number = EntryNumberByName(state.servers, GbkFromWide(name));
  if (number == 0) {
    prompt.Show(ServerNotFoundText(name).c_str(), kOperationErrorCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  const LaunchOutcome outcome =
      ConnectSelected(launch, state.servers, number, LaunchOptionsOf(state.options, false));
  ReportLaunchOutcome(outcome, prompt);
  // Counted among the servers last connected to, as a connect in the windows is.
  if (outcome.result == LaunchResult::Started) {
    std::vector<std::string> recent = recentKeeper.RecentServers();
    NoteConnected(recent, RecentKeyOf(*EntryByNumber(state.servers, number)));
    recentKeeper.SaveRecentServers(recent);
  }
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

namespace {

// How long a second copy looks for the window of the running one, which may
// still be starting.
constexpr DWORD kRunningCopyWaitMs = 5000;

// The warning about an ms.ini the run must not overwrite; nullptr when it was read.
const wchar_t* NotReadWarning(const rdc::ConfigRead& config) {
  if (config.unreadable) return rdc::kConfigUnreadable;
  if (rdc::IsDamagedConfig(rdc::ConfigCipher(config.bytes))) return rdc::kConfigDamaged;
  return nullptr;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES |
                                                    ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  // Read first: the files it names are relative to the folder the start was made in.
  const rdc::StartRequest request = rdc::ReadStartRequest(GetCommandLineW());
  const std::wstring folder = rdc::ExecutableFolder();
  SetCurrentDirectoryW(folder.c_str());  // every relative name resolves beside the exe

  rdc::MessageBoxPrompt prompt;
  // Two copies of one folder would each save their own list over the other's.
  rdc::SingleCopyLock lock(folder);
  if (!lock.first()) {
    switch (rdc::FindRunningCopy(folder, lock, kRunningCopyWaitMs)) {
      case rdc::RunningCopy::Shown:
        rdc::HandToRunningCopy(folder, request, kRunningCopyWaitMs);
        return 0;
      case rdc::RunningCopy::Gone: break;  // this copy runs in its place
      case rdc::RunningCopy::Windowless:
        prompt.Show(rdc::kRunningCopyWithoutWindow, rdc::kProgramCaption, MB_OK | MB_ICONWARNING);
        return 0;
    }
  }

  rdc::AppState state;
  rdc::ConfigFileStore store(folder + L"\\" + rdc::WideFromGbk(rdc::kConfigFileName));
  // Under the lock like every read, so that it never meets another copy's
  // replace halfway; that copy's save is waited for.
  rdc::ConfigRead config = rdc::ReadConfigUnderLock(store, rdc::kStartupReadWaitMs);
  if (const wchar_t* notRead = NotReadWarning(config)) {
    // The run goes on with an empty list but must not save it over the user's.
    config.bytes.clear();
    store.KeepFileAsItIs();
    prompt.Show(notRead, rdc::kConfigUnreadableCaption, MB_OK | MB_ICONWARNING);
  }
  rdc::HandedOver handedOver;  // by second starts, to the prompt and then to the main window
  rdc::LoginDialogPrompt login(prompt, handedOver);
  if (!rdc::RunStartup(state, config.bytes, login)) return 0;
  config.bytes = std::string();  // the run keeps the text, not the file's bytes
  // The text read is the first merge's base, kept there and nowhere else.
  rdc::SharedConfig shared(store, std::move(state.loadedConfig), config.stamp);

  rdc::Win32LaunchEnvironment launch;
  rdc::RegistryUserSettings userSettings;
  // Started to connect: no window, and ms.ini stays as it is.
  const bool connected =
      request.connectName &&
      rdc::ConnectAtStart(state, *request.connectName, launch, prompt, userSettings);
  if (!connected) {
    rdc::SystemStatusSweeps sweeps(rdc::SweepPeriodMs());
    rdc::ShellAddressOpener addresses;
    rdc::SystemServerImporter importer;
    rdc::MainWindow window(state, {shared, launch, sweeps, addresses, prompt, importer,
                                   rdc::SystemSaveClock(), &handedOver, userSettings,
                                   rdc::SystemExporter()});
    HWND main = window.Create();
    window.ImportFiles(request.files);  // files the program was opened with
    rdc::RunMessageLoop([main] { return !IsWindow(main); });
    // The window is gone and ms.ini saved: the next copy need not wait while
    // an import of this one stops.
    lock.Release();
  }

  // ms.ini is saved: a copy started now may run while the profiles of this
  // run wait for their clients to have read them.
  lock.Release();
  // A password lent to a client never outlives the run. A run started to
  // connect stays, windowless, until its client ends.
  if (connected) {
    launch.Loans().WaitUntilAllGivenBack();
  } else {
    launch.Loans().GiveAllBack();
  }
  rdc::DeleteRunProfiles(launch);
  return 0;
}
