// Two copies of the program sharing one ms.ini, as two SharedConfig over one
// file: their saves merge, each reloads the other's saves and not its own, one
// writes at a time, and a lock left by a process that was killed blocks nobody.
// (Changes that meet are the merge's tests' and the end-to-end tests'.)
#include "model/shared_config_win32.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "model/config_cipher.h"
#include "os/file_lock_win32.h"
#include "test_files_win32.h"

namespace rdc {
namespace {

using test::ReadBytes;
using test::TestFolder;
using test::WriteBytes;

constexpr wchar_t kHoldLockVariable[] = L"RDC_TEST_HOLD_LOCK";
constexpr wchar_t kLockTakenVariable[] = L"RDC_TEST_LOCK_TAKEN";

// Started with kHoldLockVariable set, this test program takes that lock, says
// so through the event kLockTakenVariable names, and waits to be killed.
[[maybe_unused]] const bool kStartedAsLockHolder = [] {
  wchar_t lockPath[MAX_PATH] = {};
  wchar_t eventName[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(kHoldLockVariable, lockPath, MAX_PATH) ||
      !GetEnvironmentVariableW(kLockTakenVariable, eventName, MAX_PATH))
    return false;
  FileLock lock(lockPath);
  if (lock.Acquire(0) != ERROR_SUCCESS) ExitProcess(2);
  SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName));
  Sleep(INFINITE);
  return true;
}();

ConfigContent Content(std::string_view hosts) {
  ConfigContent content;
  std::istringstream words{std::string(hosts)};
  for (std::string host; words >> host;) AppendServer(content.servers, {host, "3389", "u", "", ""});
  return content;
}

std::string Plain(std::string_view hosts) {
  return ComposeConfigContent(Content(hosts));
}

std::string Hosts(const ServerList& list) {
  std::string hosts;
  for (const ServerEntry& entry : list) hosts += (hosts.empty() ? "" : " ") + entry.host;
  return hosts;
}

// One copy of the program: its own store and shared configuration over the file.
struct Copy {
  explicit Copy(const std::wstring& path) : store(path), config(store, Plain("a b c"), store.Stamp()) {}
  ConfigFileStore store;
  SharedConfig config;
};

class SharedConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteBytes(Path(), ConfigCipher(Plain("a b c")))); }
  std::wstring Path() const { return folder_.File(L"ms.ini"); }
  std::string FileHosts() const {
    ConfigContent content = ParseConfigContent(ConfigCipher(ReadBytes(Path())));
    return Hosts(content.servers);
  }

  TestFolder folder_;
};

TEST_F(SharedConfigTest, CopiesMergeEachOthersSavesAndReloadOnlyTheOthers) {
  Copy a(Path()), b(Path());

  const SharedConfig::Saved added = a.config.Save(Content("a b c x"));
  EXPECT_TRUE(added.result.saved());
  EXPECT_EQ(FileHosts(), "a b c x");
  EXPECT_FALSE(a.config.MayHaveChanged()) << "its own save";
  EXPECT_FALSE(a.config.Reload(added.merge.merged)) << "its own save";
  ASSERT_TRUE(b.config.MayHaveChanged());
  std::optional<ConfigMerge> reloaded = b.config.Reload(Content("a b c"));
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(Hosts(reloaded->merged.servers), "a b c x");
  EXPECT_FALSE(b.config.MayHaveChanged());

  // B deletes b while A edits a: both stay, and B takes A's save.
  EXPECT_TRUE(b.config.Save(Content("a c x")).result.saved());
  const SharedConfig::Saved edited = a.config.Save(Content("A b c x"));
  EXPECT_TRUE(edited.result.saved());
  EXPECT_EQ(Hosts(edited.merge.merged.servers), "A c x");
  EXPECT_EQ(FileHosts(), "A c x");
  reloaded = b.config.Reload(Content("a c x"));
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(Hosts(reloaded->merged.servers), "A c x");
}

TEST_F(SharedConfigTest, SaveAndReloadFindingAnotherWriterFailAtOnceUnwrittenUnlessTheyMayWait) {
  Copy copy(Path()), other(Path());
  ASSERT_TRUE(other.config.Save(Content("a b c y")).result.saved());
  std::optional<FileLock> writer(copy.config.lockPath());
  ASSERT_EQ(writer->Acquire(0), static_cast<DWORD>(ERROR_SUCCESS));
  const ULONGLONG start = GetTickCount64();
  const SharedConfig::Saved saved = copy.config.Save(Content("a b c x"));
  bool busy = false;
  EXPECT_FALSE(copy.config.Reload(Content("a b c x"), &busy));
  EXPECT_LT(GetTickCount64() - start, kStartupReadWaitMs) << "neither waited for the lock";
  EXPECT_TRUE(busy);
  EXPECT_TRUE(copy.config.MayHaveChanged()) << "the reload is still to be made";
  EXPECT_EQ(saved.result.error, static_cast<DWORD>(ERROR_LOCK_VIOLATION));
  EXPECT_EQ(saved.result.failedStep, SaveStep::Lock);
  EXPECT_TRUE(FoundBusy(saved.result));
  EXPECT_EQ(Hosts(saved.merge.merged.servers), "a b c x") << "the change stays in this copy";
  EXPECT_EQ(FileHosts(), "a b c y");

  // A save that may wait goes through once the writer is done.
  std::thread release([&writer] {
    Sleep(300);
    writer.reset();
  });
  EXPECT_TRUE(copy.config.Save(Content("a b c x"), 2000).result.saved());
  release.join();
  EXPECT_EQ(FileHosts(), "a b c x y");
}

// The start-up read, made while another copy saves or another program holds
// the file: a save's replace goes on beside it, the rest is waited for.
TEST_F(SharedConfigTest, ReadUnderTheLockWaitsForAnotherWriterAndLetsAReplaceGoOn) {
  enum Hold { ReplaceHandle, Unshared, Lock };
  const struct {
    const char* what;
    Hold hold;
    DWORD heldMs;  // INFINITE: throughout
    DWORD error;   // of the read
  } rows[] = {
      {"open for a replace", ReplaceHandle, INFINITE, ERROR_SUCCESS},
      {"open unshared a while", Unshared, 300, ERROR_SUCCESS},
      {"the lock held a while", Lock, 300, ERROR_SUCCESS},
      {"the lock held throughout", Lock, INFINITE, ERROR_LOCK_VIOLATION},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const ConfigFileStore store(Path());
    std::optional<FileLock> lock;
    UniqueHandle file;
    if (row.hold == Lock) {
      lock.emplace(LockPathOf(store));
      ASSERT_EQ(lock->Acquire(0), static_cast<DWORD>(ERROR_SUCCESS));
    } else {
      // As the store's replace opens it, or as a program that shares nothing.
      file.reset(CreateFileW(
          Path().c_str(), row.hold == ReplaceHandle ? DELETE : GENERIC_READ,
          row.hold == ReplaceHandle ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0,
          nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(file.valid());
    }
    std::thread release([&] {
      if (row.heldMs == INFINITE) return;
      Sleep(row.heldMs);
      lock.reset();
      file.reset();
    });
    const ULONGLONG start = GetTickCount64();
    const ConfigRead read = ReadConfigUnderLock(store, kStartupReadWaitMs);
    const ULONGLONG took = GetTickCount64() - start;
    release.join();
    EXPECT_EQ(read.error, row.error);
    EXPECT_EQ(read.unreadable, row.error != ERROR_SUCCESS);
    if (row.error == ERROR_SUCCESS) {
      EXPECT_EQ(ConfigCipher(read.bytes), Plain("a b c"));
    } else {
      EXPECT_GE(took, kStartupReadWaitMs - 20) << "waited";
    }
  }
}

TEST_F(SharedConfigTest, LockThatCannotBeMadeFailsSavesButNotReloads) {
  Copy reader(Path()), writer(Path());
  ASSERT_TRUE(writer.config.Save(Content("a b c x")).result.saved());
  // Where the lock file cannot be made (here a folder has its name), as in a
  // folder this user may only read.
  ASSERT_TRUE(DeleteFileW(reader.config.lockPath().c_str()));
  ASSERT_TRUE(CreateDirectoryW(reader.config.lockPath().c_str(), nullptr));
  std::optional<ConfigMerge> reloaded = reader.config.Reload(Content("a b c"));
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(Hosts(reloaded->merged.servers), "a b c x");
  const SharedConfig::Saved saved = reader.config.Save(Content("a b c x y"));
  EXPECT_EQ(saved.result.failedStep, SaveStep::Lock);
  EXPECT_NE(saved.result.error, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(FileHosts(), "a b c x");
  RemoveDirectoryW(reader.config.lockPath().c_str());
}

TEST_F(SharedConfigTest, LockOfAProcessThatWasKilledBlocksNobody) {
  Copy copy(Path());
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const std::wstring eventName = L"rdc-test-lock-taken-" + std::to_wstring(GetCurrentProcessId());
  const UniqueHandle taken(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  SetEnvironmentVariableW(kHoldLockVariable, copy.config.lockPath().c_str());
  SetEnvironmentVariableW(kLockTakenVariable, eventName.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION holder{};
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
  const BOOL started = CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &holder);
  SetEnvironmentVariableW(kHoldLockVariable, nullptr);
  SetEnvironmentVariableW(kLockTakenVariable, nullptr);
  ASSERT_TRUE(started);
  const UniqueHandle process(holder.hProcess), thread(holder.hThread);
  ASSERT_EQ(WaitForSingleObject(taken.get(), 10000), WAIT_OBJECT_0);
  EXPECT_NE(FileLock(copy.config.lockPath()).Acquire(0), static_cast<DWORD>(ERROR_SUCCESS))
      << "the other process holds it";

  TerminateProcess(process.get(), 9);
  ASSERT_EQ(WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);
  const ULONGLONG start = GetTickCount64();
  EXPECT_TRUE(copy.config.Save(Content("a b c x"), kStartupReadWaitMs).result.saved());
  EXPECT_LT(GetTickCount64() - start, kStartupReadWaitMs) << "it did not wait for the lock";
  EXPECT_EQ(FileHosts(), "a b c x");
}

}  // namespace
}  // namespace rdc
