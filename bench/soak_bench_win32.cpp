// Soak: the real program under a long run of fast status sweeps. 1,000 rows of
// this machine's loopback (listening ports, closed ports, and host names that
// cannot be resolved), a sweep every 2 s instead of every 10 s, for 10
// minutes. Its handles, threads, memory, GDI and USER objects, windows, and
// the TIME_WAIT sockets left on our ports are read every second; each 30 s
// prints their least and most. A leak raises the least (what is held between
// sweeps): it should stay flat.
//   soak_bench [seconds [sweep period in ms]]      (600 s and 2000 ms unless given)
// clang-format off
#include <winsock2.h>  // before <windows.h>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "driver_win32.h"
#include "loopback_ports_win32.h"
#include "loopback_servers_win32.h"
#include "os/owners_win32.h"
#include "probes/tcp_probe_win32.h"
#include "ui/control_ids.h"

namespace rdc {
namespace {

using Clock = std::chrono::steady_clock;
using e2e::AppUnderTest;

constexpr int kRows = 1000;  // in fives: 2 listening, 2 closed, 1 name

// What the program holds at one moment, and the TIME_WAIT sockets on our ports.
struct Figures {
  double handles = 0;
  double threads = 0;
  double privateKb = 0;  // Wine gives none for another process
  double workingSetKb = 0;
  double gdiObjects = 0;  // Wine counts none
  double userObjects = 0;
  double windows = 0;
  double timeWait = 0;
};
constexpr double Figures::*kFigures[] = {
    &Figures::handles,    &Figures::threads,     &Figures::privateKb, &Figures::workingSetKb,
    &Figures::gdiObjects, &Figures::userObjects, &Figures::windows,   &Figures::timeWait};
constexpr const char* kFigureNames[] = {"handles",        "threads",     "private KB",
                                        "working set KB", "GDI objects", "USER objects",
                                        "windows",        "TIME_WAIT"};

int ThreadsOf(DWORD processId) {
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry))
    if (entry.th32OwnerProcessID == processId) ++count;
  return count;
}

// The windows of a process, its top-level ones and their children: what Wine
// can tell of its USER objects.
int WindowsOf(DWORD processId) {
  struct Count {
    DWORD processId;
    int windows = 0;
  } count{processId};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* count = reinterpret_cast<Count*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != count->processId) return TRUE;
        ++count->windows;
        EnumChildWindows(
            window,
            [](HWND, LPARAM param) -> BOOL {
              ++reinterpret_cast<Count*>(param)->windows;
              return TRUE;
            },
            param);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.windows;
}

// The handles a process holds, from the system's list of every process's
// handles (Wine answers GetProcessHandleCount for the calling process alone).
DWORD HandlesOf(DWORD processId) {
  struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace, type;
    ULONG attributes, reserved;
  };
  struct Table {  // SYSTEM_HANDLE_INFORMATION_EX
    ULONG_PTR count, reserved;
    Entry entries[1];
  };
  using Query = LONG(WINAPI*)(ULONG type, void* buffer, ULONG size, ULONG* needed);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  constexpr ULONG kExtendedHandleInformation = 64;
  constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<ULONG_PTR> buffer(1 << 16);
  LONG status = kLengthMismatch;
  while (status == kLengthMismatch) {
    buffer.resize(buffer.size() * 2);
    ULONG needed = 0;
    status = query(kExtendedHandleInformation, buffer.data(),
                   static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)), &needed);
  }
  if (status != 0) return 0;
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  DWORD count = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i)
    if (table->entries[i].processId == processId) ++count;
  return count;
}

Figures Sample(HANDLE process, const std::set<unsigned short>& ports) {
  Figures figures;
  const DWORD id = GetProcessId(process);
  figures.handles = HandlesOf(id);
  figures.threads = ThreadsOf(id);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof(memory))) {
    figures.privateKb = static_cast<double>(memory.PrivateUsage) / 1024.0;
    figures.workingSetKb = static_cast<double>(memory.WorkingSetSize) / 1024.0;
  }
  figures.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
  figures.userObjects = GetGuiResources(process, GR_USEROBJECTS);
  figures.windows = WindowsOf(id);
  figures.timeWait = test::ConnectionsOnPorts(ports, MIB_TCP_STATE_TIME_WAIT);
  return figures;
}

// The least and the most of each figure over one stretch of the run.
struct Stretch {
  double seconds = 0;  // at its end
  Figures least, most;
  double sweepsPerSecond = 0;
};

void Include(Stretch& stretch, const Figures& figures, bool first) {
  for (auto figure : kFigures) {
    stretch.least.*figure =
        first ? figures.*figure : std::min(stretch.least.*figure, figures.*figure);
    stretch.most.*figure =
        first ? figures.*figure : std::max(stretch.most.*figure, figures.*figure);
  }
}

void PrintStretch(const Stretch& s) {
  std::printf("%5.0f s", s.seconds);
  for (auto figure : kFigures) std::printf(" %8.0f-%-8.0f", s.least.*figure, s.most.*figure);
  std::printf(" %6.2f\n", s.sweepsPerSecond);
  std::fflush(stdout);
}

// One figure over the run, by what the program held between sweeps (the least
// of each stretch): flat when the end is within 5% of the start, growing when
// the end is more than 5% above the middle of the run.
void Judge(const char* name, double start, double half, double end, double mostEver) {
  const bool flat = end <= start * 1.05;
  const bool growing = end > half * 1.05;
  std::printf("%-15s start %9.0f, half-way %9.0f, end %9.0f (most at any time %9.0f): %s, %s\n",
              name, start, half, end, mostEver, flat ? "flat" : "NOT FLAT",
              growing ? "GROWING over the last half" : "not growing over the last half");
}

HWND MainWindowOf(const AppUnderTest& app) {
  for (HWND window : app.TopLevelWindows(true))
    if (GetDlgItem(window, kMainServerList) != nullptr) return window;
  return nullptr;
}

}  // namespace
}  // namespace rdc

int wmain(int argc, wchar_t** argv) {
  using namespace rdc;
  const int seconds = argc > 1 ? std::max(20, _wtoi(argv[1])) : 600;
  const int periodMs = argc > 2 ? std::max(100, _wtoi(argv[2])) : 2000;
  StartWinsock();

  // The rows: in each five, two listening ports, two closed ones, one name
  // that no system resolves (a space is not allowed in a host name, so the
  // look-up fails without asking a name server).
  std::vector<SOCKET> listeners;
  std::set<unsigned short> ports;
  std::string plain;
  for (int row = 0; row < kRows; ++row) {
    std::string host = "127.0.0.1";
    unsigned short port = 0;
    if (row % 5 < 2) {
      const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      port = test::BindLoopbackBelowSourcePorts(listener, AF_INET);
      listen(listener, SOMAXCONN);
      listeners.push_back(listener);
    } else if (row % 5 < 4) {
      port = test::ClosedLoopbackPort();
    } else {
      host = "no such host " + std::to_string(row);
      port = 3389;
    }
    if (port != 3389) ports.insert(port);
    plain += host + "|" + std::to_string(port) + "|a||\r\n";
  }
  plain += "#Start:0\r\n#LoadinPass:<>\r\n";
  test::AcceptingServer server(listeners);

  AppUnderTest app;
  app.WriteConfig(plain);
  // Read by the program for this benchmark alone; its own period stays 10 s.
  SetEnvironmentVariableW(L"RDC_PROBE_INTERVAL_MS", std::to_wstring(periodMs).c_str());
  if (!app.Start()) {
    std::printf("soak: the program did not start\n");
    return 1;
  }
  HWND main = nullptr;
  e2e::WaitUntil([&] { return (main = MainWindowOf(app)) != nullptr; }, 30000);
  HWND list = main ? GetDlgItem(main, kMainServerList) : nullptr;
  // The first sweep has shown when a listening row is online and a name row offline.
  const bool swept = list && e2e::WaitUntil(
                                 [&] {
                                   return app.CellText(list, 0, 3) == L"在线" &&
                                          app.CellText(list, 4, 3) == L"离线";
                                 },
                                 30000);
  if (!swept) {
    std::printf("soak: the first sweep did not show\n");
    return 1;
  }

  std::printf(
      "soak: %d rows (%d listening, %d closed ports, %d unresolvable names), a sweep every %d "
      "ms, %d s; each line: least-most over its stretch\n",
      kRows, kRows * 2 / 5, kRows * 2 / 5, kRows / 5, periodMs, seconds);
  std::printf("   end");
  for (const char* name : kFigureNames) std::printf(" %-17s", name);
  std::printf(" sweeps/s\n");
  // Figures every second, in stretches of 30 s (a twentieth of a shorter run).
  const int stretchSeconds = std::max(1, std::min(30, seconds / 20));
  const auto start = Clock::now();
  std::vector<Stretch> stretches;
  long long acceptedBefore = server.accepted();
  for (int second = 1; second <= seconds; ++second) {
    std::this_thread::sleep_until(start + std::chrono::seconds(second));
    if (!app.Running()) {
      std::printf("soak: the program ended during the run\n");
      return 1;
    }
    const bool first = (second - 1) % stretchSeconds == 0;
    if (first) stretches.emplace_back();
    Include(stretches.back(), Sample(app.process(), ports), first);
    if (second % stretchSeconds != 0 && second != seconds) continue;
    Stretch& stretch = stretches.back();
    stretch.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // Each sweep connects once to every listening row.
    const long long accepted = server.accepted();
    stretch.sweepsPerSecond =
        static_cast<double>(accepted - acceptedBefore) / (kRows * 2.0 / 5) / stretchSeconds;
    acceptedBefore = accepted;
    PrintStretch(stretch);
  }

  // Every row still shows its own status at the end.
  int wrong = 0;
  for (int row = 0; row < kRows; ++row)
    if (app.CellText(list, row, 3) != (row % 5 < 2 ? L"在线" : L"离线")) ++wrong;
  std::printf("rows showing a wrong status at the end: %d of %d\n", wrong, kRows);
  double privateEver = 0, guiEver = 0;
  for (const Stretch& stretch : stretches) {
    privateEver = std::max(privateEver, stretch.most.privateKb);
    guiEver = std::max({guiEver, stretch.most.gdiObjects, stretch.most.userObjects});
  }
  if (privateEver == 0)
    std::printf(
        "no private bytes were given for the program (Wine): its working set stands for them\n");
  if (guiEver == 0)
    std::printf(
        "no GDI or USER objects were counted (Wine's GetGuiResources answers 0): its windows stand "
        "for the USER ones\n");

  std::printf(
      "held between sweeps, from the first stretch to the last (goal: end within 5%% of start, "
      "no growth over the last half):\n");
  const Stretch& first = stretches.front();
  const Stretch& half = stretches[stretches.size() / 2];
  const Stretch& last = stretches.back();
  for (std::size_t i = 0; i < std::size(kFigures); ++i) {
    double mostEver = 0;
    for (const Stretch& stretch : stretches)
      mostEver = std::max(mostEver, stretch.most.*kFigures[i]);
    Judge(kFigureNames[i], first.least.*kFigures[i], half.least.*kFigures[i],
          last.least.*kFigures[i], mostEver);
  }
  std::fflush(stdout);

  PostMessageW(main, WM_CLOSE, 0, 0);
  app.WaitForExit();
  return 0;
}
