// Figures of the server list's view at 10,000 servers, each beside its floor:
// the rebuild against a bare list view filled the same way; the program's
// empty start against a bare window with one list view (bare_window.exe),
// started from outside in turns with it; the start-up with 10,000 servers
// against the empty start; an add from the dialog's OK until the row shows;
// and the working set's growth at 10,000 servers against the bare window's
// growth for 10,000 rows. Given the path of another build's rdconnect.exe, it
// times that one in turns with this build's, in the same runs.
#include <windows.h>
// <commctrl.h> and <psapi.h> build on <windows.h>.
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

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
#include "os/executable_folder_win32.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "import/server_importer_win32.h"

namespace {

using rdc::bench::Clock;
using rdc::bench::Median;
using rdc::bench::MillisecondsSince;
using rdc::bench::Pump;

constexpr int kServers = 10000;
constexpr int kRuns = 7;

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

void BenchRebuild() {
  // The floor: a bare report list view of the main list's size.
  const rdc::bench::BareListWindow bare(344, 160, 4);
  bare.Fill(kServers);
  Pump();

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
using rdc::e2e::ProgramCopy;

// Waits (polling every millisecond) until `done`; false after 60 s.
bool Await(const std::function<bool()>& done) {
  const auto start = Clock::now();
  while (!done()) {
    if (MillisecondsSince(start) > 60000) return false;
    Sleep(1);
  }
  return true;
}

// The list view of the program's visible window that holds one; nullptr while none shows.
HWND ShownList(const ProgramCopy& program) {
  for (HWND window : program.TopLevelWindows(true))
    if (HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr)) return list;
  return nullptr;
}

// The names of the modules loaded in `process`, lower case.
std::vector<std::wstring> ModuleNames(HANDLE process) {
  HMODULE modules[512];
  DWORD bytes = 0;
  if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return {};
  std::vector<std::wstring> names;
  for (DWORD n = 0; n < bytes / sizeof(HMODULE) && n < 512; ++n) {
    wchar_t name[MAX_PATH] = {};
    if (GetModuleBaseNameW(process, modules[n], name, MAX_PATH) == 0) continue;
    CharLowerW(name);
    names.emplace_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int ThreadCount(DWORD processId) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
    if (thread.th32OwnerProcessID == processId) ++count;
  CloseHandle(snapshot);
  return count;
}

// One start, from CreateProcess until its list view shows all `rows` rows.
struct StartFigures {
  double startMs = 0;
  double workingSetMb = 0;     // 1 s after that
  double addMs = 0;            // the program only, when asked
  int threads = 0;             // when the rows show
  std::vector<std::wstring> modules;  // when the rows show
  std::vector<std::wstring> modulesLater;  // with the working set
};

// Each start begins once the end of the one before has settled.
constexpr DWORD kSettleMs = 300;

// Times `program`, just started at `start`, until its list shows `rows` rows.
void TimeShown(const ProgramCopy& program, Clock::time_point start, int rows,
               StartFigures& figures) {
  Await([&] {
    HWND list = ShownList(program);
    return list != nullptr && program.RowCount(list) == rows;
  });
  figures.startMs = MillisecondsSince(start);
  figures.threads = ThreadCount(GetProcessId(program.process()));
  figures.modules = ModuleNames(program.process());
  Sleep(1000);
  figures.workingSetMb = WorkingSetMb(program.process());
  figures.modulesLater = ModuleNames(program.process());
}

// The floor: a bare window with one list view of `rows` rows, started as the program is.
StartFigures StartBareWindow(int rows) {
  StartFigures figures;
  rdc::test::TestFolder folder(L"bench-bare");
  ProgramCopy bare;
  Sleep(kSettleMs);
  const auto start = Clock::now();
  if (!bare.StartExe(rdc::ExecutableFolder() + L"\\bare_window.exe", std::to_wstring(rows),
                     folder.path()))
    return figures;
  TimeShown(bare, start, rows, figures);
  PostMessageW(GetParent(ShownList(bare)), WM_CLOSE, 0, 0);
  bare.WaitForExit();
  return figures;
}

// The floor of the empty start in the program's own window: its design's
// controls, fonts and texts created bare (bare_main_window.exe), and nothing else.
StartFigures StartBareMainWindow() {
  StartFigures figures;
  rdc::test::TestFolder folder(L"bench-bare-main");
  ProgramCopy bare;
  Sleep(kSettleMs);
  const auto start = Clock::now();
  if (!bare.StartExe(rdc::ExecutableFolder() + L"\\bare_main_window.exe", L"", folder.path()))
    return figures;
  TimeShown(bare, start, 0, figures);
  PostMessageW(GetParent(ShownList(bare)), WM_CLOSE, 0, 0);
  bare.WaitForExit();
  return figures;
}

// The program `exe` (empty: the one beside the benchmark) with `servers` servers.
StartFigures StartProgram(const std::wstring& exe, int servers, bool alsoAdd) {
  StartFigures figures;
  AppUnderTest app(exe);
  app.WriteConfig(ServersText(servers));
  Sleep(kSettleMs);
  const auto start = Clock::now();
  if (!app.Start()) return figures;
  TimeShown(app, start, servers, figures);
  HWND list = ShownList(app);
  HWND main = GetParent(list);
  if (alsoAdd && main != nullptr) {
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

// The medians of one program's starts, empty and with kServers servers.
struct ProgramRuns {
  std::vector<double> emptyStart, fullStart, add, emptyMemory, oneMemory, fullMemory;
  StartFigures lastEmpty, lastOne, lastFull;

  void Run(const std::wstring& exe) {
    lastEmpty = StartProgram(exe, 0, false);
    // One server: its sweep loads what probes need, as a long list's does.
    lastOne = StartProgram(exe, 1, false);
    oneMemory.push_back(lastOne.workingSetMb);
    lastFull = StartProgram(exe, kServers, true);
    const StartFigures& full = lastFull;
    emptyStart.push_back(lastEmpty.startMs);
    fullStart.push_back(full.startMs);
    add.push_back(full.addMs);
    emptyMemory.push_back(lastEmpty.workingSetMb);
    fullMemory.push_back(full.workingSetMb);
  }
  double Growth() const { return Median(fullMemory) - Median(emptyMemory); }
  double GrowthOverOne() const { return Median(fullMemory) - Median(oneMemory); }
};

void PrintProgram(const char* which, const ProgramRuns& runs, double bareStart,
                  double bareMainStart, double bareGrowth) {
  std::printf("%s:\n", which);
  std::printf("  runs of the empty start:");
  for (double ms : runs.emptyStart) std::printf(" %.0f", ms);
  std::printf(" ms\n");
  std::printf(
      "  empty start until its list shows: %.0f ms; bare window with one list view: %.0f ms; "
      "ratio %.2f (goal <= 1.5)\n",
      Median(runs.emptyStart), bareStart, Median(runs.emptyStart) / bareStart);
  std::printf("  the same against its own window built bare: %.0f ms; ratio %.2f\n", bareMainStart,
              Median(runs.emptyStart) / bareMainStart);
  std::printf(
      "  start-up until all rows show: %d servers %.0f ms; none %.0f ms; ratio %.2f "
      "(goal <= 1.5)\n",
      kServers, Median(runs.fullStart), Median(runs.emptyStart),
      Median(runs.fullStart) / Median(runs.emptyStart));
  std::printf("  add to %d servers, dialog OK until the row shows: %.1f ms (goal < 150 ms)\n",
              kServers, Median(runs.add));
  std::printf(
      "  working set 1 s after the list shows: %d servers %.1f MB, one %.1f MB, none %.1f MB; "
      "a bare list view's %d rows: +%.1f MB\n",
      kServers, Median(runs.fullMemory), Median(runs.oneMemory), Median(runs.emptyMemory),
      kServers, bareGrowth);
  std::printf("  growth at %d servers over one server: +%.1f MB; ratio %.2f (goal <= 1.5)\n",
              kServers, runs.GrowthOverOne(), runs.GrowthOverOne() / bareGrowth);
  std::printf("  growth at %d servers over none: +%.1f MB; ratio %.2f\n", kServers, runs.Growth(),
              runs.Growth() / bareGrowth);
  for (const StartFigures* start : {&runs.lastOne, &runs.lastFull}) {
    std::printf("  modules the start with %s holds 1 s after its list shows beyond the empty "
                "start's:",
                start == &runs.lastOne ? "one server" : "10000 servers");
    const std::vector<std::wstring>& empty = runs.lastEmpty.modulesLater;
    for (const std::wstring& name : start->modulesLater)
      if (!std::binary_search(empty.begin(), empty.end(), name))
        std::printf(" %ls", name.c_str());
    std::printf("\n");
  }
}

// What the empty start loads beyond the bare window, and its threads.
void PrintModules(const StartFigures& program, const StartFigures& bare) {
  std::printf("  when the empty start's list shows: %d threads (bare window %d), %zu modules "
              "(bare window %zu); beyond the bare window's:",
              program.threads, bare.threads, program.modules.size(), bare.modules.size());
  for (const std::wstring& name : program.modules)
    if (!std::binary_search(bare.modules.begin(), bare.modules.end(), name))
      std::printf(" %ls", name.c_str());
  std::printf("\n");
}

// `before`: another build's rdconnect.exe, started in turns with this one's.
void BenchProgram(const std::wstring& before) {
  std::vector<double> bareStart, bareMainStart, bareEmptyMemory, bareFullMemory;
  StartFigures bareEmpty;
  ProgramRuns now, then;
  for (int run = 0; run < kRuns; ++run) {
    bareEmpty = StartBareWindow(0);
    const StartFigures bareFull = StartBareWindow(kServers);
    bareStart.push_back(bareEmpty.startMs);
    bareMainStart.push_back(StartBareMainWindow().startMs);
    bareEmptyMemory.push_back(bareEmpty.workingSetMb);
    bareFullMemory.push_back(bareFull.workingSetMb);
    now.Run({});
    if (!before.empty()) then.Run(before);
  }
  std::printf("runs of the bare window:");
  for (double ms : bareStart) std::printf(" %.0f", ms);
  std::printf(" ms\n");
  std::printf("runs of the main window built bare:");
  for (double ms : bareMainStart) std::printf(" %.0f", ms);
  std::printf(" ms\n");
  const double bareGrowth = Median(bareFullMemory) - Median(bareEmptyMemory);
  std::printf("bare window with one list view: start %.0f ms; working set %.1f MB, with %d rows "
              "%.1f MB\n",
              Median(bareStart), Median(bareEmptyMemory), kServers, Median(bareFullMemory));
  PrintProgram("this build", now, Median(bareStart), Median(bareMainStart), bareGrowth);
  PrintModules(now.lastEmpty, bareEmpty);
  if (before.empty()) return;
  PrintProgram("the build before (started in turns with this one)", then, Median(bareStart),
               Median(bareMainStart), bareGrowth);
  PrintModules(then.lastEmpty, bareEmpty);
}

}  // namespace

// An argument names another build's rdconnect.exe to time in turns with this one's.
int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  std::printf("medians of %d runs\n", kRuns);
  BenchRebuild();
  BenchProgram(argc > 1 ? argv[1] : L"");
  return 0;
}
