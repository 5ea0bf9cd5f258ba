// The program's working window: the server list, the one-off login fields,
// the connection options, the remark of the selected server, the vendor link.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "launch/client_launch.h"
#include "model/app_state.h"
#include "model/config_file.h"
#include "model/config_store_win32.h"
#include "model/shared_config_win32.h"
#include "import/background_import_win32.h"
#include "os/folder_watch_win32.h"
#include "probes/status_monitor.h"
#include "ui/address_opener_win32.h"
#include "ui/form_win32.h"
#include "ui/hand_over_receiver_win32.h"
#include "ui/launch_outcome_win32.h"
#include "ui/main_window_design_win32.h"
#include "ui/modal_hold_win32.h"
#include "ui/probe_outcomes_win32.h"
#include "ui/prompt_win32.h"
#include "import/server_importer_win32.h"
#include "ui/save_retry_win32.h"
#include "ui/server_list_view_win32.h"
#include "ui/server_exporter_win32.h"
#include "ui/server_manager_win32.h"
#include "ui/user_settings_win32.h"

namespace rdc {

// What the main window asks of the system. The entry point hands it the real
// ones; tests and benchmarks hand it their own.
struct MainWindowServices {
  SharedConfig& config;                  // ms.ini, shared with the other copies of the program
  LaunchEnvironment& launch;             // where connections go
  StatusSweeps& sweeps;                  // how the status column is probed
  AddressOpener& addresses;              // how the vendor link opens
  MessagePrompt& prompt;                 // how the window and its dialogs ask the user
  ServerImporter& importer;              // how other programs' lists are read
  SaveClock& clock = SystemSaveClock();  // how long an unsaved change has waited
  // What second starts hand over; without one the window takes none. What it
  // holds when the window is made (taken by the start-up prompt) is carried out.
  HandOverReceiver* handOvers = nullptr;
  // Where the server manager's place and the servers last connected to are kept.
  UserSettings& userSettings = RunOnlyUserSettings();
  // How the server manager's servers are exported.
  ServerExporter& exporter = SystemExporter();
};

class MainWindow : public FormWindow, private ServerListOwner {
 public:
  MainWindow(AppState& state, MainWindowServices services);

  // Creates and shows the window; its created event loads the configuration.
  HWND Create();

  // The entry number carried by the selected row; 0 when no row is selected.
  int SelectedEntryNumber() const;

  // Rebuilds every row of the list view from the server list.
  void RefreshServerView();

  // Applies the outcomes waiting in the window's queue to their entries and shows them.
  void ShowProbeOutcomes();

  // The options as the configuration file stores them (the controls show them).
  ConfigOptions Options() const;

  // Adds the servers of other programs' lists at the end of the list, then
  // says in one box what was added, skipped and refused. The files are read
  // on a thread of their own; files given meanwhile are read after them.
  void ImportFiles(const std::vector<std::wstring>& paths) override;
  // Exports the servers `ids` over the window `from`, connection files with
  // the disks' option as a connection now takes it.
  void ExportServers(HWND from, const std::vector<std::uint64_t>& ids) override;

  // The option controls as a connection reads them.
  LaunchOptions CurrentLaunchOptions() const;

  // Opens the server manager, or brings it to the front.
  void OpenManager();
  // The server manager; nullptr before it was first opened.
  ServerManager* manager() const { return manager_.get(); }

  bool TranslateKey(const MSG& msg) override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCreated() override;
  void OnShown() override;
  void OnCommand(int id, int notification) override;
  LRESULT OnNotify(NMHDR* header) override;
  void OnCloseRequest() override;
  void OnDpiChanged() override;

 private:
  // The option controls show `options`.
  void ApplyOptions(const ConfigOptions& options);
  // A click on an option control changed the options.
  void TakeOptionsFromControls();
  // What this copy holds of ms.ini's content now.
  ConfigContent Content() const;
  // Takes the outcome of a merge as the list, the options and the start-up
  // password, and rebuilds the view with the same server as before in the top
  // row (and, when `keepSelection`, selected) where it still exists.
  void ShowMerged(ConfigMerge& merge, bool keepSelection, bool tellConflicts);
  // Writes ms.ini from the server list, the options and the start-up
  // password, merged with the file's content, and shows the merged list.
  // `waitMs`: how long another copy's lock is waited for.
  SaveResult SaveConfig(bool keepSelection, bool tellConflicts, DWORD waitMs = 0);
  // Saves at once; a save that did not go through is retried or offered again.
  void SaveChanges(bool keepSelection);
  // A tick of the retry timer: the unsaved change saved, or the reload that
  // found the file busy made, once no modal window is up; a close that waited
  // for the save ends.
  void OnRetryTick();
  // The caption's unsaved mark and the retry timer, as the saves and the reloads ask.
  void ShowSaveState();
  // Reloads ms.ini when another copy changed it, once no modal window is up.
  void CheckForChanges();
  // Starts the watch of ms.ini's folder unless it runs (or the run does not share the file).
  void WatchFolder();
  // The id of the selected row's entry; 0 when no row is selected.
  std::uint64_t SelectedEntryId() const;
  void ShowSelectedServer();
  bool HasSelection() const;                      // shows the selection message when there is none
  // 0 adds a server (of the group `groupOfNew`).
  void OpenServerDialog(std::uint64_t editedId, const std::string& groupOfNew) override;
  void SaveListChange() override;
  void ConnectServer(std::uint64_t id) override;
  void EditSelectedServer();
  void DeleteSelectedServer();
  void CopySelectedAddress();
  // The list's context menu at `screen` (-1, -1: where the selected row is).
  void ShowListMenu(POINT screen);
  void OnListKey(WORD key);
  void ShowImportOutcome();
  void ConnectSelectedServer();
  // Connects to the first server named `name` (a host, a remark's first line
  // or host:port), or says there is none.
  void ConnectByName(const std::wstring& name);
  void ConnectEntry(int number);
  // A WM_COPYDATA from a second start: taken (TRUE) when it is a hand-over.
  LRESULT TakeHandOver(const COPYDATASTRUCT* data);
  void ConnectTemporaryLogin();
  void ReportRefusal(const LaunchOutcome& outcome) const;
  void ShowOperationError(const wchar_t* text) const;

  AppState& state_;
  MainWindowServices services_;
  std::shared_ptr<ProbeOutcomeQueue> outcomes_;  // made with the window
  bool closing_ = false;
  std::unique_ptr<FolderWatch> folderWatch_;  // other copies' saves of ms.ini; made at the first look
  std::unique_ptr<ServerListView> view_;      // made with the window
  SaveRetry saves_;
  ModalHold held_;           // reloads, hand-overs and imports wait while a modal window is up
  bool reloadBusy_ = false;  // the last reload found another copy saving
  bool restoringSelection_ = false;
  BackgroundImport import_;
  std::vector<std::wstring> waitingImports_;  // files given while an import runs
  std::unique_ptr<ServerManager> manager_;     // made when first opened
};

}  // namespace rdc
