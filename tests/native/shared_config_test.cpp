// The save's sequence over a recording fake of the file system and a fake
// clock: the order lock, read, merge, write, replace, what each fault returns
// and leaves for the next save, and how long the start-up read waits for a
// busy file. (The Windows tests run the same sequence on disk.)
#include "model/shared_config.h"

#include <gtest/gtest.h>

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
  std::uint64_t now = 1'000'000;
};

// ms.ini and its lock as the script of a test says; every call is logged.
class FakeFiles : public ConfigFiles {
 public:
  FakeFiles(FakeClock& clock, std::string content) : bytes(std::move(content)), clock_(clock) {}

  const std::wstring& path() const override { return path_; }
  std::uint32_t TakeLock(std::uint32_t waitMs, std::unique_ptr<HeldLock>& held) const override {
    log += "lock ";
    if (lockError != kNoError) return lockError;
    if (lockHeldUntil > clock_.now + waitMs) {
      clock_.now += waitMs;
      return kLockViolation;
    }
    if (lockHeldUntil > clock_.now) clock_.now = lockHeldUntil;
    held = std::make_unique<Held>(log);
    return kNoError;
  }
  ConfigRead Read() const override {
    log += "read ";
    ++reads;
    if (readError != kNoError && clock_.now < readFailsUntil) return {{}, true, readError, {}};
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
  // Another copy's save.
  void Replace(std::string newBytes) {
    bytes = std::move(newBytes);
    ++version;
  }
  void Heal() {
    lockError = readError = kNoError;
    lockHeldUntil = 0;
    saveFault = {};
    log.clear();
  }

  std::uint32_t lockError = kNoError;  // the lock cannot be made
  std::uint64_t lockHeldUntil = 0;     // another copy holds the lock until then
  std::uint32_t readError = kNoError;  // every read fails so until readFailsUntil
  std::uint64_t readFailsUntil = kNever;
  SaveResult saveFault;  // the write or the replace fails so
  mutable std::string bytes;
  mutable std::uint64_t version = 1;
  mutable std::string log;
  mutable int reads = 0;

 private:
  class Held : public HeldLock {
   public:
    explicit Held(std::string& log) : log_(log) {}
    ~Held() override { log_ += "unlock "; }

   private:
    std::string& log_;
  };

  FakeClock& clock_;
  const std::wstring path_ = L"C:\\rdc\\ms.ini";
};

TEST(SharedConfigSequenceTest, EachFaultOfASaveLeavesTheFileAndKeepsTheChangeForTheNextSave) {
  struct Case {
    const char* what;
    std::uint32_t lockError;
    std::uint64_t lockHeldMs, waitMs;
    std::uint32_t readError;
    std::uint64_t readFailsMs;
    bool damaged;
    SaveResult fault;
    SaveResult result;
    bool busy;
    const char* log;
  };
  // clang-format off
  const Case cases[] = {
      {"saved", kNoError, 0, 0, kNoError, 0, false, {}, {}, false,
       "lock read save stamp unlock "},
      {"lock held", kNoError, 500, 0, kNoError, 0, false, {}, {kLockViolation, SaveStep::Lock}, true,
       "lock "},
      {"lock held past the wait", kNoError, 500, 100, kNoError, 0, false, {},
       {kLockViolation, SaveStep::Lock}, true, "lock "},
      {"lock cannot be made", kAccessDenied, 0, 0, kNoError, 0, false, {},
       {kAccessDenied, SaveStep::Lock}, false, "lock "},
      {"file open unshared", kNoError, 0, 0, kSharingViolation, kNever, false, {},
       {kSharingViolation, SaveStep::Read}, true, "lock read unlock "},
      {"lock and file let go within the wait", kNoError, 20, 50, kSharingViolation, 40, false, {},
       {}, false, "lock read read read save stamp unlock "},
      {"file unreadable", kNoError, 0, 0, kAccessDenied, kNever, false, {},
       {kAccessDenied, SaveStep::Read}, false, "lock read unlock "},
      {"file not this program's list", kNoError, 0, 0, kNoError, 0, true, {},
       {kFileCorrupt, SaveStep::Read}, false, "lock read unlock "},
      {"write fails", kNoError, 0, 0, kNoError, 0, false, {kDiskFull, SaveStep::Write},
       {kDiskFull, SaveStep::Write}, false, "lock read save unlock "},
      {"replace fails", kNoError, 0, 0, kNoError, 0, false, {kSharingViolation, SaveStep::Replace},
       {kSharingViolation, SaveStep::Replace}, false, "lock read save unlock "},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakeClock clock;
    const std::uint64_t start = clock.now;
    FakeFiles files(clock, File("a b c"));
    SharedConfig config(files, ComposeConfigContent(Content("a b c")), files.StampNow(), clock);
    if (c.damaged) files.bytes = ConfigCipher(std::string("noise\0noise", 11));
    files.lockError = c.lockError;
    files.lockHeldUntil = c.lockHeldMs ? start + c.lockHeldMs : 0;
    files.readError = c.readError;
    files.readFailsUntil = c.readFailsMs == kNever ? kNever : start + c.readFailsMs;
    files.saveFault = c.fault;

    const SharedConfig::Saved saved = config.Save(Content("a b c x"), c.waitMs);
    EXPECT_EQ(saved.result.error, c.result.error) << c.what;
    if (!c.result.saved()) {
      EXPECT_EQ(saved.result.failedStep, c.result.failedStep) << c.what;
    }
    EXPECT_EQ(FoundBusy(saved.result), c.busy) << c.what;
    EXPECT_EQ(files.log, c.log) << c.what;
    EXPECT_EQ(Hosts(saved.merge.merged), "a b c x") << c.what << ": this copy's list";
    EXPECT_LE(clock.now - start, c.waitMs) << c.what << ": waited longer than asked";
    EXPECT_FALSE(config.MayHaveChanged()) << c.what;

    // The fault is over: the next save writes the change, which a base
    // moved on by the failed save would have taken for deleted by the file.
    if (c.damaged) files.bytes = File("a b c");
    files.Heal();
    EXPECT_TRUE(config.Save(Content("a b c x")).result.saved()) << c.what;
    EXPECT_EQ(files.bytes, File("a b c x")) << c.what << ": the change was lost";
  }
}

TEST(SharedConfigSequenceTest, ReloadThatFindsTheFileBusyTriesAgainAtTheNextCheck) {
  struct Case {
    const char* what;
    std::uint32_t lockError;
    bool lockHeld;
    std::uint32_t readError;
    bool busy;
    const char* reloaded;  // nullptr: nothing merged
  };
  const Case cases[] = {
      {"free", kNoError, false, kNoError, false, "a b c y"},
      {"lock held", kNoError, true, kNoError, true, nullptr},
      {"file open unshared", kNoError, false, kSharingViolation, true, nullptr},
      {"file unreadable", kNoError, false, kAccessDenied, false, nullptr},
      {"lock cannot be made: read anyway", kAccessDenied, false, kNoError, false, "a b c y"},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    FakeFiles files(clock, File("a b c"));
    SharedConfig config(files, ComposeConfigContent(Content("a b c")), files.StampNow(), clock);
    files.Replace(File("a b c y"));  // another copy's save
    EXPECT_TRUE(config.MayHaveChanged()) << c.what;
    files.lockError = c.lockError;
    files.lockHeldUntil = c.lockHeld ? kNever : 0;
    files.readError = c.readError;

    bool busy = !c.busy;
    const std::optional<ConfigMerge> merge = config.Reload(Content("a b c"), &busy);
    EXPECT_EQ(busy, c.busy) << c.what;
    ASSERT_EQ(merge.has_value(), c.reloaded != nullptr) << c.what;
    if (merge) {
      EXPECT_EQ(Hosts(merge->merged), c.reloaded) << c.what;
    }
    EXPECT_EQ(clock.now, 1'000'000u) << c.what << ": a reload does not wait";
    EXPECT_EQ(config.MayHaveChanged(), !merge) << c.what << ": the stamp";
  }
}

TEST(SharedConfigSequenceTest, StartupReadWaitsForTheLockAndTheFileWithinOneWait) {
  struct Case {
    const char* what;
    std::uint32_t lockError;
    std::uint64_t lockHeldMs;
    std::uint32_t readError;
    std::uint64_t readFailsMs;
    std::uint32_t error;  // kNoError: read
    std::uint64_t tookMs;
    int reads;
  };
  constexpr std::uint64_t wait = kStartupReadWaitMs;
  // clang-format off
  const Case cases[] = {
      {"free", kNoError, 0, kNoError, 0, kNoError, 0, 1},
      {"lock held a while", kNoError, 3000, kNoError, 0, kNoError, 3000, 1},
      {"lock held too long", kNoError, 6000, kNoError, 0, kLockViolation, wait, 0},
      {"file open unshared a while", kNoError, 0, kSharingViolation, 2000, kNoError, 2000, 201},
      {"lock, then the file, held past the one wait", kNoError, 3000, kSharingViolation, kNever,
       kSharingViolation, wait, 201},
      {"lock cannot be made: read anyway", kAccessDenied, 0, kNoError, 0, kNoError, 0, 1},
      {"file unreadable: no wait", kNoError, 0, kAccessDenied, kNever, kAccessDenied, 0, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    FakeClock clock;
    const std::uint64_t start = clock.now;
    FakeFiles files(clock, File("a b c"));
    files.lockError = c.lockError;
    files.lockHeldUntil = c.lockHeldMs ? start + c.lockHeldMs : 0;
    files.readError = c.readError;
    files.readFailsUntil = c.readFailsMs == kNever ? kNever : start + c.readFailsMs;

    const ConfigRead read = ReadConfigUnderLock(files, kStartupReadWaitMs, clock);
    EXPECT_EQ(read.error, c.error) << c.what;
    EXPECT_EQ(read.unreadable, c.error != kNoError) << c.what;
    if (c.error == kNoError) {
      EXPECT_EQ(read.bytes, File("a b c")) << c.what;
    }
    EXPECT_EQ(clock.now - start, c.tookMs) << c.what;
    EXPECT_EQ(files.reads, c.reads) << c.what;
  }
}

}  // namespace
}  // namespace rdc
