// ms.ini on disk: what a read finds, and a save that replaces the file whole or
// not at all, whichever of its steps fails.
#include <windows.h>  // before the other Windows headers

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/single_copy_win32.h"
#include "launch/launch_environment_win32.h"
#include "model/app_state.h"
#include "model/config_cipher.h"
#include "model/config_store_win32.h"
#include "test_files_win32.h"
#include "ui/main_window_win32.h"
#include "ui_test_support_win32.h"

namespace rdc {
namespace {

using test::FileExists;
using test::FileNames;
using test::ReadBytes;
using test::RecordingPrompt;
using test::ShownBox;
using test::TestFolder;
using test::WriteBytes;

TEST(ConfigFileStore, ReadTellsAnUnreadableFileFromAMissingOrEmptyOne) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  ConfigRead read = store.Read();
  EXPECT_EQ(read.bytes, "");
  EXPECT_FALSE(read.unreadable) << "missing";

  WriteBytes(store.path(), "");
  EXPECT_FALSE(store.Read().unreadable) << "empty";

  const std::string bytes("\x00\xff\r\n|abc", 8);
  WriteBytes(store.path(), bytes);
  read = store.Read();
  EXPECT_EQ(read.bytes, bytes);
  EXPECT_FALSE(read.unreadable);

  // Another program holds the file without sharing it.
  HANDLE lock = CreateFileW(store.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  read = store.Read();
  CloseHandle(lock);
  EXPECT_EQ(read.bytes, "");
  EXPECT_TRUE(read.unreadable) << "locked";
}

TEST(ConfigFileStore, SaveCreatesAndReplacesWithExactBytesAndLeavesNoTemporary) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  ASSERT_TRUE(store.Save("first"));
  EXPECT_EQ(ReadBytes(store.path()), "first");
  ASSERT_TRUE(store.Save(std::string("\x01\x00second", 8)));
  EXPECT_EQ(ReadBytes(store.path()), std::string("\x01\x00second", 8));
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

TEST(ConfigFileStore, TemporaryLeftByACrashIsIgnoredAndReplaced) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "saved");
  WriteBytes(store.temporaryPath(), "half writ");
  EXPECT_EQ(store.Read().bytes, "saved");
  ASSERT_TRUE(store.Save("next"));
  EXPECT_EQ(ReadBytes(store.path()), "next");
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

TEST(ConfigFileStore, ReadOnlyFileIsReportedAndKept) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "old content");
  SetFileAttributesW(store.path().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(store.Save("new content"));
  EXPECT_EQ(ReadBytes(store.path()), "old content");
}

TEST(ConfigFileStore, LockedFileIsReportedAndKept) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "old content");
  HANDLE lock = CreateFileW(store.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(store.Save("new content"));
  CloseHandle(lock);
  EXPECT_EQ(ReadBytes(store.path()), "old content");
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

TEST(ConfigFileStore, StoreKeepingTheFileWritesNothing) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "unread");
  store.KeepFileAsItIs();
  EXPECT_TRUE(store.Save("empty list"));
  EXPECT_EQ(ReadBytes(store.path()), "unread");
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

// The main window's close over a store whose save fails once at one step: the
// file stays byte for byte, no temporary is left, the failure box is shown,
// and its Retry (the fault gone) writes the new content.
TEST(ConfigSaveFault, EachStepFailingKeepsTheFileAndRetryWritesTheNewContent) {
  test::InitCommonControlsOnce();
  const std::string oldFile =
      ConfigCipher("127.0.0.1|3389|admin|pw|old\r\n#Start:0\r\n#LoadinPass:<>\r\n");
  const std::string newPlain = "127.0.0.2|22|root||new\r\n#Start:0\r\n#LoadinPass:<>\r\n";
  const ShownBox saveFailed{L"配置文件 ms.ini 保存失败，本次的修改尚未保存。", L"保存失败",
                            MB_RETRYCANCEL | MB_ICONERROR | MB_TASKMODAL};
  const struct {
    SaveStep step;
    const char* name;
  } steps[] = {{SaveStep::CreateTemporary, "create the temporary file"},
               {SaveStep::Write, "write"},
               {SaveStep::Flush, "flush"},
               {SaveStep::Close, "close"},
               {SaveStep::Replace, "replace"}};
  for (const auto& row : steps) {
    SCOPED_TRACE(row.name);
    TestFolder folder;
    ConfigFileStore store(folder.File(L"ms.ini"));
    WriteBytes(store.path(), oldFile);
    bool faulty = true;
    std::vector<SaveStep> asked;
    store.failStep = [&](SaveStep step) {
      asked.push_back(step);
      return faulty && step == row.step;
    };
    AppState state;
    state.loadedConfig = newPlain;
    Win32LaunchEnvironment launch;
    test::NoSweeps sweeps;
    test::RecordingAddressOpener opener;
    RecordingPrompt prompt([&](const ShownBox&) {
      EXPECT_EQ(ReadBytes(store.path()), oldFile);
      EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
      EXPECT_EQ(asked.back(), row.step) << "the failing step was the last one tried";
      faulty = false;
      return IDRETRY;
    });
    MainWindow window(state, {store, launch, sweeps, opener, prompt});
    HWND hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    test::PumpMessages();

    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    test::PumpMessages();
    EXPECT_EQ(prompt.boxes(), std::vector<ShownBox>{saveFailed});
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(ConfigCipher(ReadBytes(store.path())), newPlain);
    EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
  }
}

TEST(SingleCopyLock, OneCopyPerFolderWhateverTheLetterCase) {
  TestFolder one;
  TestFolder other;
  SingleCopyLock first(one.path());
  EXPECT_TRUE(first.first());
  std::wstring sameFolder = one.path();
  CharUpperBuffW(sameFolder.data(), static_cast<DWORD>(sameFolder.size()));
  EXPECT_FALSE(SingleCopyLock(sameFolder).first());
  EXPECT_TRUE(SingleCopyLock(other.path()).first());
  EXPECT_NE(SingleCopyLockName(one.path()), SingleCopyLockName(other.path()));
}

}  // namespace
}  // namespace rdc
