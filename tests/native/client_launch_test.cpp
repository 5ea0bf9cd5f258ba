// Tests of the connection operations against a recording stand-in for the
// system: file names, files written, registry values, command lines, the
// connect button, and the cases where nothing may happen at all.
#include "launch/client_launch.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "launch/profile.h"

namespace rdc {
namespace {

// Test paths are ASCII; this shows them in the event log.
std::string Narrow(std::u16string_view text) {
  return std::string(text.begin(), text.end());
}
std::u16string Widen(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

// The system's credentials as a map, each write and removal an event.
class RecordingCredentials : public CredentialStore {
 public:
  explicit RecordingCredentials(std::vector<std::string>& events) : events_(events) {}
  std::optional<StoredCredential> Read(const std::u16string& target) override {
    const auto found = stored.find(target);
    if (found == stored.end()) return std::nullopt;
    return found->second;
  }
  std::uint32_t Write(const StoredCredential& credential) override {
    if (writeError != 0) return writeError;
    std::string secret;  // its UTF-16 LE units' low bytes: the tests' passwords are ASCII
    for (std::size_t i = 0; i < credential.secret.size(); i += 2) secret += credential.secret[i];
    events_.push_back("credential " + Narrow(credential.target) + " " +
                      Narrow(credential.userName) + " " + secret);
    stored[credential.target] = credential;
    return 0;
  }
  void Remove(const std::u16string& target) override {
    events_.push_back("remove credential " + Narrow(target));
    stored.erase(target);
  }
  std::map<std::u16string, StoredCredential> stored;
  std::uint32_t writeError = 0;

 private:
  std::vector<std::string>& events_;
};

class RecordingEnvironment : public LaunchEnvironment {
 public:
  std::u16string Utf16WithTerminator(const std::string& gbk) override { return Widen(gbk) + u'\0'; }
  std::string Protect(std::string_view data, std::u16string_view description) override {
    events.push_back("protect " + std::string(description.begin(), description.end()));
    protectedBlocks.emplace_back(data);
    return "\xAB\xCD";
  }
  std::u16string TempDirectory() override { return tempDirectory; }
  std::uint32_t TickCount() override { return tick; }
  void Wait(std::uint32_t milliseconds) override {
    events.push_back("wait " + std::to_string(milliseconds));
    tick += milliseconds;
  }
  RunProfiles& Profiles() override { return profiles; }
  NewFile CreateNewFile(const std::u16string& path, std::string_view bytes) override {
    if (files.count(path) != 0) return NewFile::NameTaken;
    if (failCreate) return NewFile::Failed;
    events.push_back("write " + Narrow(path));
    files[path] = bytes;
    return NewFile::Created;
  }
  void RemoveFile(const std::u16string& path) override {
    events.push_back("remove " + Narrow(path));
    files.erase(path);
  }
  bool RegistryValueExists(const std::string& key, const std::string& name) override {
    return registry.count({key, name}) != 0;
  }
  bool SetRegistryDword(const std::string& key, const std::string& name,
                        std::uint32_t value) override {
    events.push_back("registry " + name);
    registry[{key, name}] = value;
    return true;
  }
  std::uint32_t StartProcess(const std::u16string& commandLine) override {
    events.push_back("start " + Narrow(commandLine));
    return startError;
  }
  std::uint32_t StartWatchedProcess(const std::u16string& commandLine,
                                    std::function<void()> ended) override {
    events.push_back("watched start " + Narrow(commandLine));
    if (startError == 0) running.push_back(std::move(ended));
    return startError;
  }
  CredentialLoans& Loans() override { return loans; }
  // The oldest running client ends.
  void EndClient() {
    const std::function<void()> ended = running.front();
    running.erase(running.begin());
    ended();
  }

  std::u16string tempDirectory = u"C:\\Temp\\";
  std::uint32_t tick = 0x1000;
  RunProfiles profiles;
  bool failCreate = false;
  std::uint32_t startError = 0;
  std::map<std::u16string, std::string> files;
  std::map<std::pair<std::string, std::string>, std::uint32_t> registry;
  std::vector<std::string> events;
  std::vector<std::string> protectedBlocks;
  RecordingCredentials credentials{events};
  CredentialLoans loans{credentials};
  std::vector<std::function<void()>> running;
};

const std::string kKey = "Software\\Microsoft\\Terminal Server Client\\LocalDevices";

ServerList TwoServers() {
  return {{"10.0.0.1", "3389", "admin", "pw", "first", ServerStatus::Pending},
          {"10.0.0.1", "3390", "backup", "", "same host, other port", ServerStatus::Online}};
}

TEST(ClientLaunchTest, ConnectSelectedWritesRegistersAndStarts) {
  RecordingEnvironment environment;
  const ServerList servers = TwoServers();
  EXPECT_EQ(ConnectSelected(environment, servers, 1, LaunchOptions{}).result,
            LaunchResult::Started);
  EXPECT_EQ(environment.events, (std::vector<std::string>{
                                    "protect psw", "write C:\\Temp\\1000.tmp", "registry 10.0.0.1",
                                    "start mstsc.exe \"C:\\Temp\\1000.tmp\" "}));
  EXPECT_EQ(environment.files.at(u"C:\\Temp\\1000.tmp"),
            ComposeProfile("admin", "10.0.0.1", "3389", "ABCD0", false));
  EXPECT_EQ(environment.protectedBlocks.at(0), PasswordBlock(u"pw" + std::u16string(1, u'\0')));
  EXPECT_EQ((environment.registry.at({kKey, "10.0.0.1"})), 76u);
}

TEST(ClientLaunchTest, PasswordLineIsLeftOutOnlyForAStoredServerWithoutPassword) {
  RecordingEnvironment environment;
  const ServerList servers = TwoServers();
  ConnectSelected(environment, servers, 2, LaunchOptions{});
  EXPECT_TRUE(environment.protectedBlocks.empty());
  EXPECT_EQ(environment.files.at(u"C:\\Temp\\1000.tmp"),
            ComposeProfile("backup", "10.0.0.1", "3390", std::nullopt, false));

  // A one-off login with an empty password still gets its protected value.
  ConnectTemporary(environment, TemporaryLogin{"10.0.0.2", "3389", "administrator", ""},
                   LaunchOptions{});
  ASSERT_EQ(environment.protectedBlocks.size(), 1u);
  EXPECT_EQ(environment.protectedBlocks[0], std::string(512, '\0'));
  EXPECT_EQ(environment.files.at(u"C:\\Temp\\1001.tmp"),
            ComposeProfile("administrator", "10.0.0.2", "3389", "ABCD0", false));
}

TEST(ClientLaunchTest, ConnectTemporaryLeavesTheButtonAloneAndUsesEmptyFieldsAsTheyCome) {
  RecordingEnvironment environment;
  LaunchOptions options;
  options.shareDisks = true;
  EXPECT_EQ(ConnectTemporary(environment, TemporaryLogin{}, options).result, LaunchResult::Started);
  EXPECT_EQ(environment.events,
            (std::vector<std::string>{"protect psw", "write C:\\Temp\\1000.tmp", "registry ",
                                      "start mstsc.exe \"C:\\Temp\\1000.tmp\" "}));
  EXPECT_EQ(environment.files.at(u"C:\\Temp\\1000.tmp"), ComposeProfile("", "", "", "ABCD0", true));
  EXPECT_EQ((environment.registry.at({kKey, ""})), 76u);
}

TEST(ClientLaunchTest, FileNamesInOneMillisecondDifferByCounterAndExistingFiles) {
  RecordingEnvironment environment;
  environment.files[u"C:\\Temp\\1001.tmp"] = "someone else's";
  environment.files[u"C:\\Temp\\1002.tmp"] = "someone else's too";
  std::vector<std::string> started;
  for (int n = 0; n < 3; ++n) {
    ConnectTemporary(environment, TemporaryLogin{"h", "1", "a", "p"}, LaunchOptions{});
    started.push_back(environment.events.back());
  }
  // Counter 0, 1, 2 on the same tick: 1000; 1001 and 1002 taken, so 1003;
  // 1002 and now 1003 taken, so 1004.
  EXPECT_EQ(started, (std::vector<std::string>{"start mstsc.exe \"C:\\Temp\\1000.tmp\" ",
                                               "start mstsc.exe \"C:\\Temp\\1003.tmp\" ",
                                               "start mstsc.exe \"C:\\Temp\\1004.tmp\" "}));
  EXPECT_EQ(environment.files.at(u"C:\\Temp\\1001.tmp"), "someone else's");
  EXPECT_EQ(environment.files.at(u"C:\\Temp\\1002.tmp"), "someone else's too");
}

TEST(ClientLaunchTest, ClientThatCannotStartIsReportedAndOnlyItsOwnProfileDeleted) {
  const ServerList servers = TwoServers();
  for (const bool created : {true, false}) {
    SCOPED_TRACE(created ? "profile created" : "profile not created");
    RecordingEnvironment environment;
    environment.failCreate = !created;
    environment.startError = 2;
    const LaunchOutcome outcome = ConnectSelected(environment, servers, 1, LaunchOptions{});
    EXPECT_EQ(outcome.result, LaunchResult::ClientNotStarted);
    EXPECT_EQ(outcome.clientError, 2u);
    std::vector<std::string> expected{"protect psw"};
    if (created) expected.push_back("write C:\\Temp\\1000.tmp");
    expected.push_back("registry 10.0.0.1");
    expected.push_back("start mstsc.exe \"C:\\Temp\\1000.tmp\" ");
    if (created) expected.push_back("remove C:\\Temp\\1000.tmp");
    EXPECT_EQ(environment.events, expected);
    EXPECT_TRUE(environment.profiles.created().empty())
        << "a deleted profile is never touched again";
  }
}

TEST(ClientLaunchTest, RunProfilesAreDeletedAtTheEndEachOnceTenSecondsOld) {
  struct Row {
    const char* name;
    std::vector<std::uint32_t> createdAt;  // tick of each connection, in order
    std::uint32_t end;                     // tick when the run ends
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"all old enough",
       {0x1000, 0x2000},
       0x1000 + 20000,
       {"remove C:\\Temp\\1000.tmp", "remove C:\\Temp\\2001.tmp"}},
      {"the youngest is waited for, 10 s at most",
       {0x1000, 0x1000 + 4000},
       0x1000 + 7000,
       {"wait 3000", "remove C:\\Temp\\1000.tmp", "wait 4000", "remove C:\\Temp\\1fa1.tmp"}},
      {"just written", {0x1000}, 0x1000, {"wait 10000", "remove C:\\Temp\\1000.tmp"}},
      {"tick count wrapped meanwhile",
       {0xFFFFF000},
       0x800,
       {"wait 3856", "remove C:\\Temp\\fffff000.tmp"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingEnvironment environment;
    environment.files[u"C:\\Temp\\other.tmp"] = "not this run's";
    for (const std::uint32_t tick : row.createdAt) {
      environment.tick = tick;
      ConnectTemporary(environment, TemporaryLogin{"h", "1", "a", "p"}, LaunchOptions{});
    }
    environment.tick = row.end;
    environment.events.clear();
    DeleteRunProfiles(environment);
    EXPECT_EQ(environment.events, row.expected);
    EXPECT_EQ(environment.files.size(), 1u) << "only the file of another program is left";
    environment.events.clear();
    DeleteRunProfiles(environment);
    EXPECT_TRUE(environment.events.empty()) << "each profile is deleted once";
  }
}

TEST(ClientLaunchTest, FileNameIsLowerCaseHexInTheTemporaryDirectory) {
  struct Row {
    std::u16string directory;
    std::uint32_t tick;
    int earlierNames;  // calls made before, each taking one from the counter
    std::u16string expected;
  };
  const Row rows[] = {
      {u"C:\\Temp\\", 0xABCDEF, 0, u"C:\\Temp\\abcdef.tmp"},
      {u"C:\\Temp", 0x10, 0, u"C:\\Temp\\10.tmp"},  // the separator is added when missing
      {u"D:\\\u7528\u6237 \u540D\\Tmp", 0, 0, u"D:\\\u7528\u6237 \u540D\\Tmp\\0.tmp"},
      {u"", 0x2A, 0, u"2a.tmp"},                     // no directory: a name alone
      {u"C:\\T\\", 0xFFFFFFFF, 1, u"C:\\T\\0.tmp"},  // 32-bit tick count wraps
      {u"C:\\T\\", 0x100, 16, u"C:\\T\\110.tmp"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Narrow(row.expected));
    RecordingEnvironment environment;
    environment.tempDirectory = row.directory;
    environment.tick = row.tick;
    for (int n = 0; n < row.earlierNames; ++n) environment.profiles.TakeNumber();
    EXPECT_EQ(WriteNewProfile(environment, "x").path, row.expected);
  }
}

TEST(ClientLaunchTest, RegistryValueIsWrittenOncePerHostAndNeverOverwritten) {
  RecordingEnvironment environment;
  const ServerList servers = TwoServers();
  ConnectSelected(environment, servers, 1, LaunchOptions{});
  ConnectSelected(environment, servers, 1, LaunchOptions{});
  ConnectSelected(environment, servers, 2, LaunchOptions{});  // same host, other port
  ConnectTemporary(environment, TemporaryLogin{"10.0.0.1", "22", "x", ""}, LaunchOptions{});
  int writes = 0;
  for (const std::string& event : environment.events) writes += event.rfind("registry", 0) == 0;
  EXPECT_EQ(writes, 1);

  environment.registry[{kKey, "kept"}] = 5;
  ConnectTemporary(environment, TemporaryLogin{"kept", "3389", "x", ""}, LaunchOptions{});
  EXPECT_EQ((environment.registry.at({kKey, "kept"})), 5u);
}

TEST(ClientLaunchTest, RegistryPathSplitsAtTheLastBackslashCharacter) {
  // 乗 is 0x81 0x5C in GBK: its second byte is not a separator.
  EXPECT_EQ(LocalDevicesValuePath("\x81\x5C").key, kKey);
  EXPECT_EQ(LocalDevicesValuePath("\x81\x5C").name, "\x81\x5C");
  EXPECT_EQ(LocalDevicesValuePath("a\x81\x5C"
                                  "b")
                .name,
            "a\x81\x5C"
            "b");
  // "€" is one byte: the backslash after it is a separator.
  EXPECT_EQ(LocalDevicesValuePath("a\x80\\b").key, kKey + "\\a\x80");
  EXPECT_EQ(LocalDevicesValuePath("a\x80\\b").name, "b");
  EXPECT_EQ(LocalDevicesValuePath("").name, "");
  EXPECT_EQ(LocalDevicesValuePath("srv.example.org").name, "srv.example.org");
  // A host holding a backslash names a value in a subkey.
  EXPECT_EQ(LocalDevicesValuePath("a\\b").key, kKey + "\\a");
  EXPECT_EQ(LocalDevicesValuePath("a\\b").name, "b");
}

TEST(ClientLaunchTest, CommandLineQuotesThePathAndAppendsOptionsInOrder) {
  struct Row {
    bool forceAdmin, smallScreen, fullScreen;
    std::u16string options;
  };
  const Row rows[] = {
      {false, false, false, u""},
      {false, true, false, u"/w:1440 /h:900 "},
      {false, false, true, u"/f "},
      {true, false, false, u"/admin "},
      {true, true, false, u"/admin /w:1440 /h:900 "},
      {true, false, true, u"/admin /f "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Narrow(row.options));
    LaunchOptions options;
    options.forceAdmin = row.forceAdmin;
    options.smallScreen = row.smallScreen;
    options.fullScreen = row.fullScreen;
    options.shareDisks = true;  // a profile matter, not a command-line one
    RecordingEnvironment environment;
    environment.tempDirectory = u"C:\\Users\\A B\\Temp\\";
    ConnectTemporary(environment, TemporaryLogin{"h", "1", "a", "p"}, options);
    EXPECT_EQ(environment.events.back(),
              "start mstsc.exe \"C:\\Users\\A B\\Temp\\1000.tmp\" " + Narrow(row.options));
  }
}

// The connection file start: the server's forced login replaces the main
// window's, a display of its own the main window's display switch.
TEST(ClientLaunchTest, AServersSettingsGoIntoItsProfileAndItsSwitches) {
  const struct {
    const char* settings;
    bool forceAdmin, smallScreen, fullScreen;
    const char* options;
  } rows[] = {
      {"", true, true, false, "/admin /w:1440 /h:900 "},
      {"future=1", false, false, true, "/f "},
      {"admin=0", true, false, true, "/f "},
      {"admin=1", false, true, false, "/admin /w:1440 /h:900 "},
      {"display=full", true, true, false, "/admin "},
      {"display=small;admin=0", true, false, true, ""},
      {"clipboard=0", false, true, false, "/w:1440 /h:900 "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.settings);
    RecordingEnvironment environment;
    ServerList servers = TwoServers();
    servers[0].settings = row.settings;
    LaunchOptions options;
    options.forceAdmin = row.forceAdmin;
    options.smallScreen = row.smallScreen;
    options.fullScreen = row.fullScreen;
    EXPECT_EQ(ConnectSelected(environment, servers, 1, options).result, LaunchResult::Started);
    EXPECT_EQ(environment.events.back(),
              std::string("start mstsc.exe \"C:\\Temp\\1000.tmp\" ") + row.options);
    EXPECT_EQ(environment.files.at(u"C:\\Temp\\1000.tmp"),
              ComposeProfile("admin", "10.0.0.1", "3389", "ABCD0", false,
                             ParseSettingsField(row.settings)));
  }
}

TEST(ClientLaunchTest, ASettingsTextThatCouldAddALineIsRefusedBeforeAnything) {
  for (const char* settings : {"gateway=gw\rx", "gateway=gw\nx", "admin=1;gateway=\x1F",
                               "gateway=gw x", "gateway=a=b", "gateway=\xB0\xEC"}) {
    SCOPED_TRACE(settings);
    RecordingEnvironment environment;
    ServerList servers = TwoServers();
    servers[0].settings = settings;
    EXPECT_EQ(ConnectSelected(environment, servers, 1, LaunchOptions{}).result,
              LaunchResult::IllegalCharacters);
    EXPECT_TRUE(environment.events.empty());
  }
  ConnectionSettings unsound;
  unsound.display = DisplayMode::ChosenMonitors;
  unsound.monitors = "0\r\nusername:s:x";
  EXPECT_FALSE(HasSoundTexts(unsound));
  unsound.display = DisplayMode::Custom;  // the monitors no longer count
  unsound.customWidth = 199;
  unsound.customHeight = 900;
  EXPECT_FALSE(HasSoundTexts(unsound));
  unsound.customWidth = 200;
  EXPECT_TRUE(HasSoundTexts(unsound));
  unsound.disks = DiskMode::Chosen;
  unsound.drives = "C:\\";
  EXPECT_FALSE(HasSoundTexts(unsound));
}

TEST(ClientLaunchTest, CommandLineStartGivesTheAddressAndTheDisplayAndLoginSwitches) {
  const struct {
    const char* settings;
    bool forceAdmin, smallScreen, fullScreen;
    std::u16string expected;
  } rows[] = {
      {"", false, false, false, u"mstsc.exe /v:h:1 "},
      {"", true, true, false, u"mstsc.exe /v:h:1 /admin /w:1440 /h:900 "},
      {"", false, false, true, u"mstsc.exe /v:h:1 /f "},
      {"admin=0", true, false, true, u"mstsc.exe /v:h:1 /f "},
      {"admin=1", false, false, false, u"mstsc.exe /v:h:1 /admin "},
      {"display=small", false, false, true, u"mstsc.exe /v:h:1 /w:1440 /h:900 "},
      {"display=full", true, true, false, u"mstsc.exe /v:h:1 /admin /f "},
      {"display=custom:1920x1080", false, true, false, u"mstsc.exe /v:h:1 /w:1920 /h:1080 "},
      {"display=all", false, false, true, u"mstsc.exe /v:h:1 /multimon "},
      {"display=monitors:0,1", false, false, true, u"mstsc.exe /v:h:1 /multimon "},
      {"clipboard=0;gateway=gw;smartsizing=1", false, false, false, u"mstsc.exe /v:h:1 "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.settings);
    LaunchOptions options;
    options.forceAdmin = row.forceAdmin;
    options.smallScreen = row.smallScreen;
    options.fullScreen = row.fullScreen;
    EXPECT_EQ(CommandLineStart(u"h:1", ParseSettingsField(row.settings), options), row.expected);
  }
  EXPECT_EQ(CommandLineStart(u"[::1]:3389", {}, {}), u"mstsc.exe /v:[::1]:3389 ");
  for (std::u16string_view address : {u"", u"a b:1", u"a\"b:1", u"a\r:1", u"a\t:1"}) {
    EXPECT_EQ(CommandLineStart(address, {}, {}), std::nullopt) << Narrow(address);
  }
}

// A start without a connection file: the password lent as the host's saved
// credential around the client, whatever else the system holds for that host.
TEST(ClientLaunchTest, CommandLineStartLendsThePasswordWhileItsClientRuns) {
  const StoredCredential usersOwn{
      u"TERMSRV/10.0.0.1", u"me", std::string("m\0i\0n\0e\0", 8), u"kept by the user", u"", 0, 2,
      {{u"k", "v", 0}}};
  const StoredCredential leftOver = LentCredential(u"10.0.0.1", u"old", u"stale");
  const std::string lent = "credential TERMSRV/10.0.0.1 admin pw";
  const std::string removed = "remove credential TERMSRV/10.0.0.1";
  const std::string started = "watched start mstsc.exe /v:10.0.0.1:3389 /f ";
  const struct {
    const char* name;
    std::optional<StoredCredential> before;  // what the system holds for the host
    const char* password;
    int clients;            // started one after the other
    bool programEndsFirst;  // before the clients do
    std::uint32_t writeError, startError;
    LaunchResult result;
    std::vector<std::string> events;  // up to the last client's end
    std::optional<StoredCredential> after;
  } rows[] = {
      {"nothing saved",
       std::nullopt,
       "pw",
       1,
       false,
       0,
       0,
       LaunchResult::Started,
       {lent, started, removed},
       std::nullopt},
      {"the user's own",
       usersOwn,
       "pw",
       1,
       false,
       0,
       0,
       LaunchResult::Started,
       {lent, started, removed, "credential TERMSRV/10.0.0.1 me mine"},
       usersOwn},
      {"one left by a run that ended first",
       leftOver,
       "pw",
       1,
       false,
       0,
       0,
       LaunchResult::Started,
       {lent, started, removed},
       std::nullopt},
      {"two clients of one host",
       usersOwn,
       "pw",
       2,
       false,
       0,
       0,
       LaunchResult::Started,
       {lent, started, lent, started, removed, "credential TERMSRV/10.0.0.1 me mine"},
       usersOwn},
      {"the program ends before its client",
       usersOwn,
       "pw",
       1,
       true,
       0,
       0,
       LaunchResult::Started,
       {lent, started, removed, "credential TERMSRV/10.0.0.1 me mine"},
       usersOwn},
      {"not written",
       usersOwn,
       "pw",
       1,
       false,
       1312,
       0,
       LaunchResult::CredentialNotLent,
       {},
       usersOwn},
      {"client not started",
       usersOwn,
       "pw",
       1,
       false,
       0,
       2,
       LaunchResult::ClientNotStarted,
       {lent, started, removed, "credential TERMSRV/10.0.0.1 me mine"},
       usersOwn},
      {"no password: nothing lent",
       usersOwn,
       "",
       1,
       false,
       0,
       0,
       LaunchResult::Started,
       {"start mstsc.exe /v:10.0.0.1:3389 /f "},
       usersOwn},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingEnvironment environment;
    environment.registry[{kKey, "10.0.0.1"}] = 76;
    if (row.before) environment.credentials.stored[row.before->target] = *row.before;
    environment.credentials.writeError = row.writeError;
    environment.startError = row.startError;
    ServerList servers = TwoServers();
    servers[0].password = row.password;
    servers[0].settings = "display=full;start=cmdline";
    for (int client = 0; client < row.clients; ++client) {
      EXPECT_EQ(ConnectSelected(environment, servers, 1, LaunchOptions{}).result, row.result);
    }
    if (row.programEndsFirst) environment.loans.GiveAllBack();
    while (!environment.running.empty()) environment.EndClient();
    EXPECT_FALSE(environment.loans.IsLent(u"TERMSRV/10.0.0.1"));
    EXPECT_EQ(environment.events, row.events);
    EXPECT_EQ(environment.credentials.Read(u"TERMSRV/10.0.0.1"), row.after);
  }
}

TEST(ClientLaunchTest, NothingHappensWithoutASelection) {
  const ServerList servers = TwoServers();
  for (const int number : {0, -1, 3}) {
    SCOPED_TRACE(number);
    RecordingEnvironment environment;
    EXPECT_EQ(ConnectSelected(environment, servers, number, LaunchOptions{}).result,
              LaunchResult::NoSelection);
    EXPECT_TRUE(environment.events.empty());
    EXPECT_TRUE(environment.files.empty());
    EXPECT_TRUE(environment.registry.empty());
  }
}

TEST(ClientLaunchTest, ControlBytesInHostPortOrAccountAreRefusedBeforeAnything) {
  const std::string bad[] = {"a\r\nb", "\n", "tab\there", std::string("nul\0", 4), "\x1F"};
  for (const std::string& text : bad) {
    for (int field = 0; field < 3; ++field) {
      SCOPED_TRACE("field " + std::to_string(field) + ": " + text);
      ServerEntry entry{"10.0.0.9", "3389", "admin", "pw", "", ServerStatus::Pending};
      TemporaryLogin login{"10.0.0.9", "3389", "admin", "pw"};
      std::string& entryField = field == 0 ? entry.host : field == 1 ? entry.port : entry.account;
      std::string& loginField = field == 0 ? login.host : field == 1 ? login.port : login.account;
      entryField = text;
      loginField = text;

      RecordingEnvironment environment;
      EXPECT_EQ(ConnectSelected(environment, ServerList{entry}, 1, LaunchOptions{}).result,
                LaunchResult::IllegalCharacters);
      EXPECT_EQ(ConnectTemporary(environment, login, LaunchOptions{}).result,
                LaunchResult::IllegalCharacters);
      EXPECT_TRUE(environment.events.empty());
      EXPECT_TRUE(environment.files.empty());
      EXPECT_TRUE(environment.registry.empty());
      EXPECT_EQ(environment.profiles.TakeNumber(), 0u);  // no file name was taken either
    }
  }
  // Chinese text is not refused: every byte of a GBK character is 0x40 or above.
  RecordingEnvironment environment;
  EXPECT_EQ(ConnectTemporary(environment, TemporaryLogin{"\xD6\xD0", "1", "\xB9\xDC", "p"},
                             LaunchOptions{})
                .result,
            LaunchResult::Started);
}

}  // namespace
}  // namespace rdc
