// The live status column: real loopback listeners and closed ports probed by
// the main window's sweeps, read back from the list view.
// clang-format off
#include <winsock2.h>  // before <windows.h>
#include <windows.h>
#include <commctrl.h>
#include <ws2tcpip.h>
// clang-format on
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "launch/launch_environment_win32.h"
#include "model/startup.h"
#include "loopback_ports_win32.h"
#include "loopback_servers_win32.h"
#include "model/app_state.h"
#include "model/config_store_win32.h"
#include "model/shared_config_win32.h"
#include "os/owners_win32.h"
#include "probes/tcp_probe_win32.h"
#include "test_files_win32.h"
#include "ui/control_ids.h"
#include "ui/main_window_win32.h"
#include "ui/probe_outcomes_win32.h"
#include "import/server_importer_win32.h"
#include "ui/window_messages.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using namespace std::chrono_literals;

// A listening socket on a loopback address and a free port, until closed.
class Listener {
 public:
  explicit Listener(int family = AF_INET)
      : socket_((StartWinsock(), ::socket(family, SOCK_STREAM, IPPROTO_TCP))),
        port_(test::BindLoopbackBelowSourcePorts(socket_, family)) {
    listening_ = port_ != 0 && listen(socket_, SOMAXCONN) == 0;
  }
  ~Listener() { Close(); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  bool listening() const { return listening_; }
  std::string port() const { return std::to_string(port_); }
  unsigned short number() const { return port_; }
  // The next connection waiting; reads on it give up after 5 s.
  UniqueSocket Accept() const {
    UniqueSocket accepted(accept(socket_, nullptr, nullptr));
    const DWORD timeoutMs = 5000;
    setsockopt(accepted.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof(timeoutMs));
    return accepted;
  }
  void Close() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  bool listening_ = false;
  unsigned short port_ = 0;
};

// A port of 127.0.0.1 that nothing listens on.
std::string ClosedPort() {
  return std::to_string(test::ClosedLoopbackPort());
}

// Whether this machine resolves `name` at all (a fresh system may have no hosts file).
bool Resolves(const wchar_t* name) {
  ADDRINFOW* found = nullptr;
  if (GetAddrInfoW(name, nullptr, nullptr, &found) != 0) return false;
  FreeAddrInfoW(found);
  return true;
}

class StatusViewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::InitCommonControlsOnce(); }
  void TearDown() override {
    if (hwnd_) DestroyWindow(hwnd_);
    test::PumpMessages();
  }

  void Open(std::string config, bool sweeps = true) {
    LoadConfig(state_, std::move(config));
    window_ = std::make_unique<MainWindow>(
        state_, MainWindowServices{OpenConfig(), launch_,
                                   sweeps ? static_cast<StatusSweeps&>(probes_) : noSweeps_,
                                   opener_, prompt_, importer_});
    hwnd_ = window_->Create();
    ASSERT_NE(hwnd_, nullptr);
  }

  std::wstring StatusText(int row) const {
    wchar_t buffer[32] = {};
    LVITEMW item{};
    item.iSubItem = 3;
    item.pszText = buffer;
    item.cchTextMax = 32;
    SendMessageW(GetDlgItem(hwnd_, kMainServerList), LVM_GETITEMTEXTW, row,
                 reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  // The row's state picture index as the list view holds it.
  int Picture(int row) const {
    const auto state = SendMessageW(GetDlgItem(hwnd_, kMainServerList), LVM_GETITEMSTATE, row,
                                    LVIS_STATEIMAGEMASK);
    return static_cast<int>(state >> 12) - 1;
  }

  // Pumps the window's messages until the row shows `text`, for a few seconds at most.
  bool WaitForStatus(int row, const std::wstring& text) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 8000) {
      test::PumpMessages();
      if (StatusText(row) == text) return true;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return false;
  }

  test::TestFolder folder_;
  ConfigFileStore store_{folder_.File(L"ms.ini")};
  std::optional<SharedConfig> config_;
  // ms.ini as the start-up read it: the loaded configuration, the file's stamp now.
  SharedConfig& OpenConfig() {
    config_.emplace(store_, state_.loadedConfig, store_.Stamp());
    return *config_;
  }
  AppState state_;
  Win32LaunchEnvironment launch_;
  SystemStatusSweeps probes_;
  test::NoSweeps noSweeps_;
  test::RecordingAddressOpener opener_;
  SystemServerImporter importer_;
  test::RecordingPrompt prompt_;
  std::unique_ptr<MainWindow> window_;
  HWND hwnd_ = nullptr;
};

TEST_F(StatusViewTest, FirstSweepShowsListenersOnlineAndTheRestOffline) {
  Listener listener;
  ASSERT_TRUE(listener.listening());
  Open("127.0.0.1|" + listener.port() + "|a||\r\n" +     //
       "127.0.0.1|" + ClosedPort() + "|a||\r\n" +        //
       "|" + listener.port() + "|a||\r\n" +              // empty host
       "localhost|  " + listener.port() + "x|a||\r\n" +  // a name; port text with extras
       "#Start:0\r\n#LoadinPass:<>\r\n");
  // A name the machine cannot resolve is offline like any failed attempt.
  const wchar_t* named = Resolves(L"localhost") ? L"在线" : L"离线";
  const std::wstring expected[] = {L"在线", L"离线", L"离线", named};
  for (int row = 0; row < 4; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    ASSERT_TRUE(WaitForStatus(row, expected[row]))
        << "shows " << testing::PrintToString(StatusText(row));
    EXPECT_EQ(Picture(row), expected[row] == L"在线" ? 0 : 1);
    EXPECT_EQ(state_.servers[row].status,
              expected[row] == L"在线" ? ServerStatus::Online : ServerStatus::Offline);
  }
}

TEST_F(StatusViewTest, AListenerThatStopsTurnsOfflineAtTheNextSweep) {
  Listener listener;
  ASSERT_TRUE(listener.listening());
  Open("127.0.0.1|" + listener.port() + "|a||\r\n#Start:0\r\n#LoadinPass:<>\r\n");
  ASSERT_TRUE(WaitForStatus(0, L"在线"));
  listener.Close();
  PostMessageW(hwnd_, WM_TIMER, kMainProbeTimer, 0);  // what 时钟1's tick brings
  EXPECT_TRUE(WaitForStatus(0, L"离线")) << testing::PrintToString(StatusText(0));
  EXPECT_EQ(Picture(0), 1);
}

TEST_F(StatusViewTest, AHostWithOnlyAnIpv6AddressIsProbedOverIpv6) {
  Listener listener(AF_INET6);
  if (!listener.listening()) GTEST_SKIP() << "no IPv6 loopback here";
  Open("::1|" + listener.port() + "|a||\r\n::1|" + ClosedPort() + "|a||\r\n#Start:0\r\n");
  EXPECT_TRUE(WaitForStatus(0, L"在线")) << testing::PrintToString(StatusText(0));
  EXPECT_TRUE(WaitForStatus(1, L"离线")) << testing::PrintToString(StatusText(1));
}

TEST_F(StatusViewTest, AnOutcomeMessageFromElsewhereDoesNothing) {
  Open("127.0.0.1|3389|a||\r\n#Start:0\r\n", /*sweeps=*/false);
  // The number is WM_APP-based: any program may send it, with anything in lParam.
  std::vector<ProbeOutcome> notOurs{{PlanSweep(state_.servers)[0], true}};
  const LPARAM sent[] = {0x12345678, reinterpret_cast<LPARAM>(&notOurs)};
  for (LPARAM lParam : sent) {
    EXPECT_EQ(SendMessageW(hwnd_, kProbeOutcomeMessage, 0, lParam), 0);
    test::PumpMessages();
    EXPECT_EQ(StatusText(0), L"...");
    EXPECT_EQ(state_.servers[0].status, ServerStatus::Pending);
  }
  EXPECT_EQ(notOurs.size(), 1u);  // the sender's outcomes are still the sender's
}

TEST(ProbeOutcomeQueueTest, TellsTheWindowOnceUntilItHasTakenWhatWaits) {
  const HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  auto toldTimes = [window] {
    int count = 0;
    for (MSG message;
         PeekMessageW(&message, window, kProbeOutcomeMessage, kProbeOutcomeMessage, PM_REMOVE);)
      ++count;
    return count;
  };
  ProbeOutcomeQueue queue(window);
  const ProbeOutcome outcome{{1, 0, "10.0.0.1", "3389"}, true};
  for (int batch = 0; batch < 3; ++batch) queue.Add({outcome, outcome});
  EXPECT_EQ(toldTimes(), 1);
  EXPECT_EQ(queue.TakeAll().size(), 6u);
  EXPECT_TRUE(queue.TakeAll().empty());
  queue.Add({outcome});
  EXPECT_EQ(toldTimes(), 1);  // told again once it had taken
  DestroyWindow(window);
}

// The connections of this machine, in any state, whose far end is `port`.
int ConnectionsTo(unsigned short port) {
  int count = 0;
  for (const MIB_TCPROW& row : test::TcpConnections())
    if (ntohs(static_cast<u_short>(row.dwRemotePort)) == port) ++count;
  return count;
}

TEST(WsaPollConnectorTest, AProbeThatConnectedLeavesNoConnectionBehind) {
  // A graceful close would keep this side's socket (FIN_WAIT_2, then TIME_WAIT
  // for minutes) and a local port with it. The sockets are closed on a thread
  // of the connector's; its end waits for them, those it never waited for too.
  for (const bool waited : {true, false}) {
    SCOPED_TRACE(waited ? "ended at a wait" : "still open at the connector's end");
    Listener listener;
    ASSERT_TRUE(listener.listening());
    {
      WsaPollConnector connector;
      ASSERT_GE(connector.Begin(Ipv4(127, 0, 0, 1), listener.number()), 0);
      std::vector<ProbeConnector::Ended> ended;
      for (int wait = 0; waited && wait < 50 && ended.empty(); ++wait)
        ended = connector.Wait(100ms);
      if (waited) {
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_TRUE(ended[0].connected);
      }
    }
    if (waited) {
      const UniqueSocket accepted = listener.Accept();  // as a server would, and closes it
      ASSERT_TRUE(accepted);
      char byte = 0;
      EXPECT_LE(recv(accepted.get(), &byte, 1, 0), 0);  // nothing was sent
    }
    EXPECT_EQ(ConnectionsTo(listener.number()), 0);
  }
}

}  // namespace
}  // namespace rdc
