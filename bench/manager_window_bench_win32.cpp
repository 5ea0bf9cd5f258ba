// Figures of the server manager at 10,000 servers in 200 groups, each beside
// its floor where it has one: opening until the list shows (a bare list view
// filled with the same rows), a keystroke in the search box, a header click
// (std::sort of the same keys), choosing a tree node, a bulk change of every
// server's password until it is saved, and the WM_NULL round trip to the
// manager while a sweep of the 10,000 servers runs (the same with no sweep).
#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "bench_support_win32.h"
#include "driver_win32.h"
#include "import/server_importer_win32.h"
#include "launch/launch_environment_win32.h"
#include "model/config_store_win32.h"
#include "model/shared_config_win32.h"
#include "model/startup.h"
#include "ui/chinese_order_win32.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "ui/message_loop_win32.h"
#include "ui/probe_outcomes_win32.h"
#include "ui/user_settings_win32.h"

namespace {

using rdc::bench::BareListWindow;
using rdc::bench::Clock;
using rdc::bench::Median;
using rdc::bench::MillisecondsSince;
using rdc::bench::Pump;

constexpr int kServers = 10000;
constexpr int kTopGroups = 20, kSubgroups = 10;  // 200 groups
constexpr int kRuns = 5;

// Loopback hosts (a sweep stays on this machine), 50 servers in each group.
std::string ServersText() {
  std::string text;
  for (int n = 1; n <= kServers; ++n) {
    text += "127." + std::to_string(n / 256 % 256) + "." + std::to_string(n % 256) + ".1|" +
            std::to_string(3389 + n % 7) + "|admin" + std::to_string(n % 13) + "|secret|remark " +
            std::to_string(n) + "|g" + std::to_string(n % kTopGroups) + "/s" +
            std::to_string(n / kTopGroups % kSubgroups) + "\r\n";
  }
  return text + "#Start:0\r\n#LoadinPass:<>\r\n";
}

struct NoSweeps : rdc::StatusSweeps {
  void Start(const std::shared_ptr<rdc::ProbeOutcomeQueue>&, const rdc::ServerList&) override {}
};
struct NoOpener : rdc::AddressOpener {
  void Open(const wchar_t*) override {}
};

// The main window over the 10,000 servers, with its manager.
class Program {
 public:
  explicit Program(rdc::StatusSweeps& sweeps)
      : folder_(L"bench"), store_(folder_.File(L"ms.ini")) {
    rdc::LoadConfig(state_, ServersText());
    config_ = std::make_unique<rdc::SharedConfig>(store_, state_.loadedConfig, store_.Stamp());
    window_ = std::make_unique<rdc::MainWindow>(
        state_, rdc::MainWindowServices{*config_, launch_, sweeps, opener_, prompt_, importer_,
                                        rdc::SystemSaveClock(), nullptr, settings_});
    window_->Create();
    Pump();
  }
  ~Program() {
    DestroyWindow(window_->hwnd());
    Pump();
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  rdc::MainWindow& window() { return *window_; }
  rdc::ServerManager& manager() { return *window_->manager(); }
  HWND Manager() { return window_->manager() ? window_->manager()->hwnd() : nullptr; }
  HWND Control(int id) { return GetDlgItem(Manager(), id); }
  const rdc::AppState& state() const { return state_; }
  const rdc::ConfigFileStore& store() const { return store_; }

 private:
  rdc::test::TestFolder folder_;
  rdc::ConfigFileStore store_;
  rdc::AppState state_;
  std::unique_ptr<rdc::SharedConfig> config_;
  rdc::Win32LaunchEnvironment launch_;
  NoOpener opener_;
  rdc::MessageBoxPrompt prompt_;
  rdc::SystemServerImporter importer_;
  rdc::MemoryUserSettings settings_;
  std::unique_ptr<rdc::MainWindow> window_;
};

void Print(const char* what, const std::vector<double>& program, double goalMs,
           const std::vector<double>& floor = {}) {
  std::printf("%s: %.1f ms (longest %.1f, goal <= %.0f ms)", what, Median(program),
              *std::max_element(program.begin(), program.end()), goalMs);
  if (!floor.empty()) std::printf("; floor %.1f ms", Median(floor));
  std::printf("\n");
}

void BenchOpen(Program& program) {
  RECT list{};
  std::vector<double> open, floor;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    program.window().OpenManager();
    UpdateWindow(program.Manager());
    open.push_back(MillisecondsSince(start));
    GetClientRect(program.Control(rdc::kManagerList), &list);
    DestroyWindow(program.Manager());
    Pump();
  }
  const BareListWindow bare(list.right, list.bottom, 7);
  for (int run = 0; run < kRuns; ++run) floor.push_back(bare.Fill(kServers));
  Print("opening the manager until its list shows", open, 200, floor);
}

// Each character of `typed`, one keystroke at a time, until the list shows the matches.
void Keystrokes(Program& program, const std::wstring& typed, std::vector<double>& times) {
  HWND search = program.Control(rdc::kManagerSearch);
  SetWindowTextW(search, L"");
  Pump();
  for (const wchar_t ch : typed) {
    const auto start = Clock::now();
    SendMessageW(search, WM_CHAR, ch, 0);
    UpdateWindow(program.Control(rdc::kManagerList));
    times.push_back(MillisecondsSince(start));
    Pump();
  }
}

void BenchSearchSortTree(Program& program) {
  program.window().OpenManager();
  Pump();
  std::vector<double> keys;
  for (int run = 0; run < kRuns; ++run) {
    Keystrokes(program, L"remark 9", keys);
    Keystrokes(program, L"g1/s5 admin1", keys);
  }
  SetWindowTextW(program.Control(rdc::kManagerSearch), L"");
  Pump();
  Print("a keystroke in the search box until the matches show", keys, 30);

  // A header click, ascending then descending then back, for each column.
  HWND list = program.Control(rdc::kManagerList);
  std::vector<double> sorts;
  for (int column = 0; column < 7; ++column) {
    for (int click = 0; click < 3; ++click) {
      NMLISTVIEW header{};
      header.hdr = {list, static_cast<UINT_PTR>(rdc::kManagerList),
                    static_cast<UINT>(LVN_COLUMNCLICK)};
      header.iItem = -1;
      header.iSubItem = column;
      const auto start = Clock::now();
      SendMessageW(program.Manager(), WM_NOTIFY, rdc::kManagerList,
                   reinterpret_cast<LPARAM>(&header));
      UpdateWindow(list);
      if (click < 2) sorts.push_back(MillisecondsSince(start));
      Pump();
    }
  }
  // The floor: the remarks' sort keys, made before, sorted with std::sort.
  std::vector<double> floor;
  std::vector<std::string> sortKeys;
  for (const rdc::ServerEntry& entry : program.state().servers)
    sortKeys.push_back(rdc::ChineseSortKey(entry.remark));
  for (int run = 0; run < kRuns; ++run) {
    std::vector<std::size_t> rows(sortKeys.size());
    std::iota(rows.begin(), rows.end(), 0);
    const auto start = Clock::now();
    std::stable_sort(rows.begin(), rows.end(),
                     [&](std::size_t a, std::size_t b) { return sortKeys[a] < sortKeys[b]; });
    floor.push_back(MillisecondsSince(start));
  }
  Print("a header click until the rows are sorted", sorts, 60, floor);

  // Each top-level group, then the root again.
  HWND tree = program.Control(rdc::kManagerTree);
  std::vector<double> nodes;
  HTREEITEM root = TreeView_GetRoot(tree);
  for (int run = 0; run < kRuns; ++run) {
    for (HTREEITEM item = TreeView_GetChild(tree, root); item;
         item = TreeView_GetNextSibling(tree, item)) {
      const auto start = Clock::now();
      TreeView_SelectItem(tree, item);
      UpdateWindow(list);
      nodes.push_back(MillisecondsSince(start));
      Pump();
    }
    const auto start = Clock::now();
    TreeView_SelectItem(tree, root);
    UpdateWindow(list);
    nodes.push_back(MillisecondsSince(start));
    Pump();
  }
  Print("choosing a tree node until its servers show", nodes, 30);
}


// The user's F2 on every row, the password ticked and typed, OK: from the
// click until the F2 returns, the change applied to all, saved and shown by
// both windows. The floor: a save of the same list through the shared file alone.
Clock::time_point g_okClicked;

void CALLBACK ClickOkInBulkDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND form = FindWindowW(L"rdconnect.Form", (L"批量修改 " + std::to_wstring(kServers) + L" 台服务器").c_str());
  if (!form) return;
  KillTimer(nullptr, timer);
  SendMessageW(GetDlgItem(form, rdc::kBulkUsePassword), BM_CLICK, 0, 0);
  SetWindowTextW(GetDlgItem(form, rdc::kBulkPassword), L"changed");
  g_okClicked = Clock::now();
  SendMessageW(GetDlgItem(form, rdc::kBulkOk), BM_CLICK, 0, 0);
}

void BenchBulkPassword() {
  std::vector<double> bulk, floor;
  NoSweeps none;
  for (int run = 0; run < kRuns; ++run) {
    Program program(none);
    program.window().OpenManager();
    Pump();
    HWND list = program.Control(rdc::kManagerList);
    SetFocus(list);
    ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, ClickOkInBulkDialog);
    MSG f2{list, WM_KEYDOWN, VK_F2, 0, 0, {}};
    rdc::TranslateFormKey(f2);  // returns once the dialog has closed and the change is made
    KillTimer(nullptr, timer);
    bulk.push_back(MillisecondsSince(g_okClicked));
    if (program.state().servers.front().password != "changed") std::printf("the change was not made\n");
    Pump();

    rdc::SharedConfig config(program.store(), program.state().loadedConfig, program.store().Stamp());
    rdc::ConfigContent content{program.state().servers, program.state().options, ""};
    for (rdc::ServerEntry& entry : content.servers) entry.password = "again";
    const auto start = Clock::now();
    config.Save(content);
    floor.push_back(MillisecondsSince(start));
  }
  Print("a bulk change of every server's password, OK until saved and shown", bulk, 300, floor);
}

// While a sweep of every server runs (or none), the round trips of WM_NULL
// to the manager, one every 10 ms for 5 s from another thread.
std::vector<double> RoundTrips(rdc::StatusSweeps& sweeps) {
  Program program(sweeps);
  program.window().OpenManager();
  Pump();
  HWND manager = program.Manager();
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
  std::vector<double> trips;
  std::thread pinger([&] {
    while (!stop) {
      const auto start = Clock::now();
      DWORD_PTR result = 0;
      SendMessageTimeoutW(manager, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
      trips.push_back(MillisecondsSince(start));
      Sleep(10);
    }
    finished = true;
  });
  const auto start = Clock::now();
  // The pinger's last trip needs this thread to answer it before it ends.
  while (!finished) {
    if (MillisecondsSince(start) >= 5000) stop = true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
  pinger.join();
  std::sort(trips.begin(), trips.end());
  return trips;
}

void BenchDuringSweep() {
  NoSweeps none;
  rdc::SystemStatusSweeps sweeps;
  const std::vector<double> idle = RoundTrips(none);
  const std::vector<double> busy = RoundTrips(sweeps);
  auto p99 = [](const std::vector<double>& sorted) {
    return sorted.empty() ? 0.0 : sorted[sorted.size() * 99 / 100];
  };
  std::printf(
      "WM_NULL round trip to the manager during a sweep of %d servers: p99 %.1f ms, longest "
      "%.1f ms (goal p99 <= 50 ms); with no sweep: p99 %.1f ms, longest %.1f ms\n",
      kServers, p99(busy), busy.empty() ? 0.0 : busy.back(), p99(idle),
      idle.empty() ? 0.0 : idle.back());
}

}  // namespace

int wmain() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES |
                                                      ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  std::printf("%d servers in %d groups; medians of at least %d runs\n", kServers,
              kTopGroups * kSubgroups, kRuns);
  NoSweeps none;
  {
    Program program(none);
    BenchOpen(program);
    BenchSearchSortTree(program);
  }
  BenchBulkPassword();
  BenchDuringSweep();
  return 0;
}
