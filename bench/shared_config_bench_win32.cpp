// Figures of a shared ms.ini at 10,000 servers, each beside the bare write of
// the same bytes (create, write, flush, close): a save after one add (lock,
// read, merge, write, replace), with the file as this copy last read it and
// with another copy's add in it, and the main window's reload of another
// copy's add (lock, read, decipher, merge, the list rebuilt and painted).
#include <windows.h>
// <commctrl.h> builds on <windows.h>.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench_support_win32.h"
#include "model/startup.h"
#include "launch/launch_environment_win32.h"
#include "model/config_cipher.h"
#include "model/config_sync.h"
#include "model/shared_config_win32.h"
#include "test_files_win32.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "ui/window_messages.h"

namespace {

using rdc::bench::Median;
using rdc::bench::Pump;

using namespace rdc;
using Clock = std::chrono::steady_clock;
constexpr int kServers = 10000;
constexpr int kRuns = 7;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

ServerTexts Server(int n) {
  // Loopback addresses, like every list of the benchmarks.
  return {"127." + std::to_string(n / 65536 % 256) + "." + std::to_string(n / 256 % 256) + "." +
              std::to_string(n % 256),
          "3389", "Administrator", "secret", "remark " + std::to_string(n)};
}

ConfigContent Servers(int count) {
  ConfigContent content;
  for (int n = 1; n <= count; ++n) AppendServer(content.servers, Server(n));
  return content;
}

ConfigContent WithAdd(ConfigContent content, int n) {
  AppendServer(content.servers, Server(n));
  return content;
}

// The floor: the same bytes written to a new file beside it.
double BareWrite(const test::TestFolder& folder, const std::string& bytes) {
  const std::wstring path = folder.File(L"bare.ini");
  const auto start = Clock::now();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
  const double ms = MillisecondsSince(start);
  DeleteFileW(path.c_str());
  return ms;
}

// A save after one add here; `otherAdd`: another copy added a server first.
void BenchSave(bool otherAdd) {
  const std::string read = ComposeConfigContent(Servers(kServers));
  std::vector<double> save, bare;
  bool right = true;
  for (int run = 0; run < kRuns; ++run) {
    test::TestFolder folder(L"bench");
    const ConfigFileStore store(folder.File(L"ms.ini"));
    store.Save(ConfigCipher(read));
    SharedConfig config(store, read, store.Stamp());
    if (otherAdd) {
      const ConfigFileStore otherStore(store.path());
      SharedConfig other(otherStore, read, otherStore.Stamp());
      other.Save(WithAdd(ParseConfigContent(read), kServers + 2));
    }
    const ConfigContent ours = WithAdd(ParseConfigContent(read), kServers + 1);
    const auto start = Clock::now();
    const SharedConfig::Saved saved = config.Save(ours);
    save.push_back(MillisecondsSince(start));
    const std::size_t expected = static_cast<std::size_t>(kServers) + (otherAdd ? 2 : 1);
    right = right && saved.result.saved() && saved.merge.merged.servers.size() == expected;
    bare.push_back(BareWrite(folder, test::ReadBytes(store.path())));
  }
  std::printf(
      "save after one add here%s, %d servers: %.1f ms; bare write of the same bytes: "
      "%.1f ms (goal <= 150 ms)%s\n",
      otherAdd ? " and one there" : "", kServers, Median(save), Median(bare),
      right ? "" : " WRONG RESULT");
}

void BenchReload() {
  const std::string read = ComposeConfigContent(Servers(kServers));
  struct : StatusSweeps {
    void Start(const std::shared_ptr<ProbeOutcomeQueue>&, const ServerList&) override {}
  } noSweeps;
  struct : AddressOpener {
    void Open(const wchar_t*) override {}
  } noOpener;
  Win32LaunchEnvironment launch;
  MessageBoxPrompt prompt;
  SystemServerImporter importer;
  std::vector<double> reload, bare;
  bool right = true;
  for (int run = 0; run < kRuns; ++run) {
    test::TestFolder folder(L"bench");
    const ConfigFileStore store(folder.File(L"ms.ini"));
    store.Save(ConfigCipher(read));
    AppState state;
    LoadConfig(state, read);
    SharedConfig config(store, read, store.Stamp());
    MainWindow window(state, {config, launch, noSweeps, noOpener, prompt, importer});
    window.Create();
    HWND list = GetDlgItem(window.hwnd(), kMainServerList);
    UpdateWindow(window.hwnd());
    Pump();

    const ConfigFileStore otherStore(store.path());
    SharedConfig other(otherStore, read, otherStore.Stamp());
    other.Save(WithAdd(ParseConfigContent(read), kServers + 1));
    // Not pumped: the folder watch's message waits in the queue; this is the reload.
    const auto start = Clock::now();
    SendMessageW(window.hwnd(), kConfigChangedMessage, 0, 0);
    UpdateWindow(list);
    reload.push_back(MillisecondsSince(start));
    right = right && ListView_GetItemCount(list) == kServers + 1;
    bare.push_back(BareWrite(folder, test::ReadBytes(store.path())));
    DestroyWindow(window.hwnd());
    Pump();
  }
  std::printf(
      "reload of another copy's add, %d servers, until the list shows it: %.1f ms; bare "
      "write of the same bytes: %.1f ms (goal <= 150 ms)%s\n",
      kServers, Median(reload), Median(bare), right ? "" : " WRONG RESULT");
}

}  // namespace

int wmain() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  std::printf("medians of %d runs\n", kRuns);
  BenchSave(false);
  BenchSave(true);
  BenchReload();
  return 0;
}
