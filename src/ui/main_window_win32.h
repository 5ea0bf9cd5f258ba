// The program's working window: the server list, the one-off login fields,
// the connection options, the remark of the selected server, the vendor link.
#pragma once

#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "launch/client_launch.h"
#include "model/app_state.h"
#include "model/config_file.h"
#include "model/config_store_win32.h"
#include "servers/status_monitor.h"
#include "ui/form_win32.h"
#include "ui/probe_outcomes_win32.h"

namespace rdc {

// The design of the main window, also read by the tests.
std::span<const ControlSpec> MainWindowControls();
const std::vector<int>& MainWindowFocusOrder();
FormFrame MainWindowFrame();
std::wstring MainWindowTitle();

class MainWindow : public FormWindow {
 public:
  using AddressOpener = std::function<void(const wchar_t* address)>;
  // Starts a status sweep over the list whose outcomes go to the window's queue.
  using SweepStarter =
      std::function<void(const std::shared_ptr<ProbeOutcomeQueue>& queue, const ServerList& list)>;

  MainWindow(AppState& state, const ConfigFileStore& store);

  // Creates and shows the window; its created event loads the configuration.
  HWND Create();

  // Replaces the shell "open" of the vendor address (tests).
  void SetAddressOpener(AddressOpener opener) { openAddress_ = std::move(opener); }

  // Replaces how status sweeps run (benchmarks); call before Create().
  void SetSweepStarter(SweepStarter start) { startSweep_ = std::move(start); }

  // Replaces the system the connections go to (tests); call after Create().
  void SetLaunchEnvironment(std::unique_ptr<LaunchEnvironment> environment) {
    launch_ = std::move(environment);
  }

  // The entry number carried by the selected row; 0 when no row is selected.
  int SelectedEntryNumber() const;

  // Rebuilds every row of the list view from the server list.
  void RefreshServerView();

  // Applies the outcomes waiting in the window's queue to their entries and shows them.
  void ShowProbeOutcomes();

  // The option controls as the configuration file stores them.
  ConfigOptions Options() const;

  // Writes ms.ini from the server list, the options and the start-up password.
  bool SaveConfig() const;

  // The option controls as a connection reads them.
  LaunchOptions CurrentLaunchOptions() const;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCreated() override;
  void OnCommand(int id, int notification) override;
  LRESULT OnNotify(NMHDR* header) override;
  void OnCloseRequest() override;
  void OnDpiChanged() override;

 private:
  void SetUpListView();
  void ShowStatePictures();  // at the window's DPI
  void ApplyOptions(const ConfigOptions& options);
  void ShowSelectedServer();
  bool HasSelection() const;  // shows the selection message when there is none
  // Gives a row's texts and state picture from its entry.
  void AnswerRow(NMLVDISPINFOW& request) const;
  void OpenServerDialog(int editTarget);  // 0 adds a server
  void DeleteSelectedServer();
  void ConnectSelectedServer();
  void ConnectTemporaryLogin();
  void ReportRefusal(LaunchResult result) const;

  AppState& state_;
  const ConfigFileStore& store_;
  AddressOpener openAddress_;
  SweepStarter startSweep_;
  std::shared_ptr<ProbeOutcomeQueue> outcomes_;  // made with the window
  std::unique_ptr<LaunchEnvironment> launch_;
  bool closing_ = false;
};

}  // namespace rdc
