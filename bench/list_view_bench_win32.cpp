// Figures of the server list's view at 10,000 servers, each beside its floor:
// the rebuild against a bare list view filled the same way, the start-up of
// the real program against its start-up with no servers, an add from the
// dialog's OK until the row shows, and the working set against the empty start.
#include <windows.h>
// <commctrl.h> and <psapi.h> build on <windows.h>.
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_support_win32.h"
#include "model/startup.h"
#include "driver_win32.h"
#include "launch/launch_environment_win32.h"
#include "model/config_store_win32.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "import/server_importer_win32.h"

namespace {

using rdc::bench::Clock;
using rdc::bench::Median;
using rdc::bench::MillisecondsSince;
using rdc::bench::Pump;

constexpr int kServers = 10000;
constexpr int kRuns = 5;

double WorkingSetMb(HANDLE process) {
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process, &memory, sizeof memory)) return 0;
  return static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
}

std::string ServersText(int count) {
  std::string text;
  for (int n = 1; n <= count; ++n)
    // Loopback addresses: the program's status sweeps stay on this machine.
    text += "127." + std::to_string(n / 256 % 256) + "." + std::to_string(n % 256) +
            ".1|3389|Administrator|secret|remark " + std::to_string(n) + "\r\n";
  return text + "#Start:0\r\n#LoadinPass:<>\r\n";
}

// ---- The rebuild, in this process -------------------------------------------

double g_bareListMb = 0;

void BenchRebuild() {
  // The floor: a bare report list view of the main list's size.
  const rdc::bench::BareListWindow bare(344, 160, 4);
  // The memory floor: what the first 10,000 rows cost a list view in a process.
  const double before = WorkingSetMb(GetCurrentProcess());
  bare.Fill(kServers);
  Pump();
  g_bareListMb = WorkingSetMb(GetCurrentProcess()) - before;

  rdc::test::TestFolder folder(L"bench");
  rdc::ConfigFileStore store(folder.File(L"ms.ini"));
  rdc::AppState state;
  rdc::LoadConfig(state, ServersText(kServers));
  // The rebuild alone: no sweeps, nothing opened or connected.
  struct : rdc::StatusSweeps {
    void Start(const std::shared_ptr<rdc::ProbeOutcomeQueue>&, const rdc::ServerList&) override {}
  } noSweeps;
  struct : rdc::AddressOpener {
    void Open(const wchar_t*) override {}
  } noOpener;
  rdc::Win32LaunchEnvironment launch;
  rdc::MessageBoxPrompt prompt;
  rdc::SystemServerImporter importer;
  rdc::SharedConfig config(store, state.loadedConfig, store.Stamp());
  rdc::MainWindow window(state, {config, launch, noSweeps, noOpener, prompt, importer});
  window.Create();
  HWND list = GetDlgItem(window.hwnd(), rdc::kMainServerList);
  Pump();

  std::vector<double> program, floor;
  for (int run = 0; run < kRuns; ++run) {
    floor.push_back(bare.Fill(kServers));
    Pump();
    const auto start = Clock::now();
    window.RefreshServerView();
    UpdateWindow(list);
    program.push_back(MillisecondsSince(start));
    Pump();
  }
  std::printf(
      "rebuild of %d rows, visible window: %.1f ms; bare list view: %.1f ms; ratio %.2f "
      "(goal <= 1.2)\n",
      kServers, Median(program), Median(floor), Median(program) / Median(floor));
  DestroyWindow(window.hwnd());
  Pump();
}

// ---- The real program, from outside ------------------------------------------

using rdc::e2e::AppUnderTest;

// Waits (polling every millisecond) until `done`; false after 60 s.
bool Await(const std::function<bool()>& done) {
  const auto start = Clock::now();
  while (!done()) {
    if (MillisecondsSince(start) > 60000) return false;
    Sleep(1);
  }
  return true;
}

HWND MainWindowOf(const AppUnderTest& app) {
  for (HWND window : app.TopLevelWindows(true))
    if (GetDlgItem(window, rdc::kMainServerList) != nullptr) return window;
  return nullptr;
}

struct StartFigures {
  double startMs = 0;
  double workingSetMb = 0;
  double addMs = 0;
};

StartFigures StartProgram(int servers, bool alsoAdd) {
  StartFigures figures;
  AppUnderTest app;
  app.WriteConfig(ServersText(servers));
  const auto start = Clock::now();
  if (!app.Start()) return figures;
  HWND main = nullptr;
  Await([&] {
    main = MainWindowOf(app);
    return main != nullptr && app.RowCount(GetDlgItem(main, rdc::kMainServerList)) == servers;
  });
  figures.startMs = MillisecondsSince(start);
  Sleep(1000);
  figures.workingSetMb = WorkingSetMb(app.process());
  if (alsoAdd && main != nullptr) {
    HWND list = GetDlgItem(main, rdc::kMainServerList);
    rdc::e2e::PostClick(GetDlgItem(main, rdc::kMainAdd));
    HWND form = app.WaitForWindow(L"rdconnect.Form", L"添加服务器列表");
    if (form != nullptr) {
      const auto ok = Clock::now();
      rdc::e2e::PostClick(GetDlgItem(form, rdc::kServerOk));
      Await([&] { return app.RowCount(list) == servers + 1; });
      figures.addMs = MillisecondsSince(ok);
    }
  }
  PostMessageW(main, WM_CLOSE, 0, 0);
  app.WaitForExit();
  return figures;
}

void BenchProgram() {
  std::vector<double> emptyStart, fullStart, add, emptyMemory, fullMemory;
  for (int run = 0; run < kRuns; ++run) {
    const StartFigures empty = StartProgram(0, false);
    const StartFigures full = StartProgram(kServers, true);
    emptyStart.push_back(empty.startMs);
    fullStart.push_back(full.startMs);
    add.push_back(full.addMs);
    emptyMemory.push_back(empty.workingSetMb);
    fullMemory.push_back(full.workingSetMb);
  }
  std::printf(
      "start-up until all rows show: %d servers %.0f ms; none %.0f ms; ratio %.2f "
      "(goal <= 1.5)\n",
      kServers, Median(fullStart), Median(emptyStart), Median(fullStart) / Median(emptyStart));
  std::printf("add to %d servers, dialog OK until the row shows: %.1f ms (goal < 150 ms)\n",
              kServers, Median(add));
  std::printf(
      "working set 1 s after the window shows: %d servers %.1f MB; none %.1f MB; "
      "+%.1f MB (goal <= +10 MB); a bare list view's first %d rows: +%.1f MB\n",
      kServers, Median(fullMemory), Median(emptyMemory), Median(fullMemory) - Median(emptyMemory),
      kServers, g_bareListMb);
}

}  // namespace

int wmain() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  std::printf("medians of %d runs\n", kRuns);
  BenchRebuild();
  BenchProgram();
  return 0;
}
