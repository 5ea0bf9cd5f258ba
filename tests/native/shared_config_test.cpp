// The save's sequence over a recording fake of the file system and a fake
// clock: the order lock, read, merge, write, replace, what each fault returns
// and leaves for the next save, and how long the start-up read waits for a
// busy file. (The Windows tests run the same sequence on disk.)
#include "model/shared_config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "model/config_cipher.h"

namespace rdc {
namespace {

constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kDiskFull = 112;
constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kStart = 1'000'000;

ConfigContent Content(std::string_view hosts) {
  ConfigContent content;
  std::istringstream words{std::string(hosts)};
  for (std::string host; words >> host;) AppendServer(content.servers, {host, "3389", "u", "", ""});
  return content;
}

std::string File(std::string_view hosts) {
  return ConfigCipher(ComposeConfigContent(Content(hosts)));
}

std::string Hosts(const ConfigContent& content) {
  std::string hosts;
  for (const ServerEntry& entry : content.servers) hosts += (hosts.empty() ? "" : " ") + entry.host;
  return hosts;
}

class FakeClock : public WaitClock {
 public:
  std::uint64_t NowMs() override { return now; }
  void Pause(std::uint32_t ms) override { now += ms; }
  std::uint64_t now = kStart;
};

// What keeps the lock or the file from this copy, in ms from kStart.
struct Faults {
  std::uint32_t lockError = kNoError;  // the lock cannot be made
  std::uint64_t lockHeldMs = 0;        // another copy holds it until then
  std::uint32_t readError = kNoError;  // every read fails so until readFailsMs
  std::uint64_t readFailsMs = kNever;
};

// ms.ini and its lock as `faults` says; every call is logged.
class FakeFiles : public ConfigFiles {
 public:
  FakeFiles(FakeClock& clock, std::string content) : bytes(std::move(content)), clock_(clock) {}

  const std::wstring& path() const override { return path_; }
  std::uint32_t TakeLock(std::uint32_t waitMs, std::unique_ptr<HeldLock>& held) const override {
    log += "lock ";
    if (faults.lockError != kNoError) return faults.lockError;
    const std::uint64_t heldUntil = faults.lockHeldMs == kNever ? kNever : kStart + faults.lockHeldMs;
    if (heldUntil > clock_.now + waitMs) {
      clock_.now += waitMs;
      return kLockViolation;
    }
    clock_.now = std::max(clock_.now, heldUntil);
    held = std::make_unique<Held>(log);
    return kNoError;
  }
  ConfigRead Read() const override {
    log += "read ";
    ++reads;
    if (faults.readError != kNoError &&
        (faults.readFailsMs == kNever || clock_.now < kStart + faults.readFailsMs))
      return {{}, true, faults.readError, {}};
    return {bytes, false, kNoError, StampNow()};
  }
  SaveResult Save(std::string_view written) const override {
    log += "save ";
    if (!saveFault.saved()) return saveFault;
    bytes = written;
    ++version;
    return {};
  }
  FileStamp Stamp() const override {
    log += "stamp ";
    return StampNow();
  }
  bool keepsFileAsItIs() const override { return false; }
  FileStamp StampNow() const { return {true, 1, 1, bytes.size(), version}; }

  Faults faults;
  SaveResult saveFault;  // the write or the replace fails so
  mutable std::string bytes;
  mutable std::uint64_t version = 1;
  mutable std::string log;
  mutable int reads = 0;

 private:
  struct Held : HeldLock {
    explicit Held(std::string& log) : log(log) {}
    ~Held() override { log += "unlock "; }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    std::string& log;
  };
  FakeClock& clock_;
  const std::wstring path_ = L"C:\\rdc\\ms.ini";
};

TEST(SharedConfigSequenceTest, EachFaultOfASaveLeavesTheFileAndKeepsTheChangeForTheNextSave) {
  struct Case {
    const char* what;
    Faults faults;
    std::uint32_t waitMs;
    bool damaged;  // the file is not this program's list
    SaveResult saveFault;
    SaveResult result;
    bool busy;
    const char* log;
  };
  const SaveResult lockHeld{kLockViolation, SaveStep::Lock};
  // clang-format off
  const Case cases[] = {
      {"saved", {}, 0, false, {}, {}, false, "lock read save stamp unlock "},
      {"lock held", {.lockHeldMs = 500}, 0, false, {}, lockHeld, true, "lock "},
      {"lock held past the wait", {.lockHeldMs = 500}, 100, false, {}, lockHeld, true, "lock "},
      {"lock cannot be made", {.lockError = kAccessDenied}, 0, false, {},
       {kAccessDenied, SaveStep::Lock}, false, "lock "},
      {"file open unshared", {.readError = kSharingViolation}, 0, false, {},
       {kSharingViolation, SaveStep::Read}, true, "lock read unlock "},
      {"lock and file let go within the wait",
       {.lockHeldMs = 20, .readError = kSharingViolation, .readFailsMs = 40}, 50, false, {}, {},
       false, "lock read read read save stamp unlock "},
      {"file unreadable", {.readError = kAccessDenied}, 0, false, {},
       {kAccessDenied, SaveStep::Read}, false, "lock read unlock "},
      {"file damaged", {}, 0, true, {}, {kFileCorrupt, SaveStep::Read}, false, "lock read unlock "},
      {"write fails", {}, 0, false, {kDiskFull, SaveStep::Write}, {kDiskFull, SaveStep::Write},
       false, "lock read save unlock "},
      {"replace fails", {}, 0, false, {kSharingViolation, SaveStep::Replace},
       {kSharingViolation, SaveStep::Replace}, false, "lock read save unlock "},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakeClock clock;
    FakeFiles files(clock, File("a b c"));
    SharedConfig config(files, ComposeConfigContent(Content("a b c")), files.StampNow(), clock);
    if (c.damaged) files.bytes = ConfigCipher(std::string("noise\0noise", 11));
    files.faults = c.faults;
    files.saveFault = c.saveFault;

    const SharedConfig::Saved saved = config.Save(Content("a b c x"), c.waitMs);
    EXPECT_EQ(saved.result.error, c.result.error) << c.what;
    EXPECT_EQ(saved.result.failedStep, c.result.failedStep) << c.what;
    EXPECT_EQ(FoundBusy(saved.result), c.busy) << c.what;
    EXPECT_EQ(files.log, c.log) << c.what;
    EXPECT_EQ(Hosts(saved.merge.merged), "a b c x") << c.what << ": this copy's list";
    EXPECT_LE(clock.now - kStart, c.waitMs) << c.what << ": waited longer than asked";
    EXPECT_FALSE(config.MayHaveChanged()) << c.what;

    // The fault is over: the next save writes the change, which a base
    // moved on by the failed save would have taken for deleted by the file.
    if (c.damaged) files.bytes = File("a b c");
    files.faults = {};
    files.saveFault = {};
    EXPECT_TRUE(config.Save(Content("a b c x")).result.saved()) << c.what;
    EXPECT_EQ(files.bytes, File("a b c x")) << c.what << ": the change was lost";
  }
}

TEST(SharedConfigSequenceTest, ReloadThatFindsTheFileBusyTriesAgainAtTheNextCheck) {
  struct Case {
    const char* what;
    Faults faults;
    bool busy, reloaded;
  };
  const Case cases[] = {
      {"free", {}, false, true},
      {"lock held", {.lockHeldMs = kNever}, true, false},
      {"file open unshared", {.readError = kSharingViolation}, true, false},
      {"file unreadable", {.readError = kAccessDenied}, false, false},
      {"lock cannot be made: read anyway", {.lockError = kAccessDenied}, false, true},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    FakeFiles files(clock, File("a b c"));
    SharedConfig config(files, ComposeConfigContent(Content("a b c")), files.StampNow(), clock);
    files.bytes = File("a b c y");  // another copy's save
    ++files.version;
    files.faults = c.faults;

    bool busy = !c.busy;
    const std::optional<ConfigMerge> merge = config.Reload(Content("a b c"), &busy);
    EXPECT_EQ(busy, c.busy) << c.what;
    EXPECT_EQ(merge ? Hosts(merge->merged) : "", c.reloaded ? "a b c y" : "") << c.what;
    EXPECT_EQ(clock.now, kStart) << c.what << ": a reload does not wait";
    EXPECT_EQ(config.MayHaveChanged(), !c.reloaded) << c.what << ": the stamp";
  }
}

TEST(SharedConfigSequenceTest, StartupReadWaitsForTheLockAndTheFileWithinOneWait) {
  struct Case {
    const char* what;
    Faults faults;
    std::uint32_t error;  // kNoError: read
    std::uint64_t tookMs;
    int reads;
  };
  constexpr std::uint64_t wait = kStartupReadWaitMs;
  // clang-format off
  const Case cases[] = {
      {"free", {}, kNoError, 0, 1},
      {"lock held a while", {.lockHeldMs = 3000}, kNoError, 3000, 1},
      {"lock held too long", {.lockHeldMs = 6000}, kLockViolation, wait, 0},
      {"file open unshared a while", {.readError = kSharingViolation, .readFailsMs = 2000},
       kNoError, 2000, 201},
      {"lock, then the file, held past the one wait",
       {.lockHeldMs = 3000, .readError = kSharingViolation}, kSharingViolation, wait, 201},
      {"lock cannot be made: read anyway", {.lockError = kAccessDenied}, kNoError, 0, 1},
      {"file unreadable: no wait", {.readError = kAccessDenied}, kAccessDenied, 0, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakeClock clock;
    FakeFiles files(clock, File("a b c"));
    files.faults = c.faults;
    const ConfigRead read = ReadConfigUnderLock(files, kStartupReadWaitMs, clock);
    EXPECT_EQ(read.error, c.error) << c.what;
    EXPECT_EQ(read.unreadable, c.error != kNoError) << c.what;
    EXPECT_EQ(read.bytes, c.error == kNoError ? File("a b c") : "") << c.what;
    EXPECT_EQ(clock.now - kStart, c.tookMs) << c.what;
    EXPECT_EQ(files.reads, c.reads) << c.what;
  }
}

}  // namespace
}  // namespace rdc
