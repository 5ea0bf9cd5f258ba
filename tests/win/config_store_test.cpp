// ms.ini on disk: what a read finds, and a save that replaces the file whole or
// not at all, whichever of its steps fails.
#include <windows.h>  // before the other Windows headers

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/single_copy_win32.h"
#include "model/startup.h"
#include "launch/launch_environment_win32.h"
#include "model/app_state.h"
#include "model/config_cipher.h"
#include "model/config_store_win32.h"
#include "test_files_win32.h"
#include "ui/main_window_win32.h"
#include "import/server_importer_win32.h"
#include "os/system_error_win32.h"
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
  ASSERT_TRUE(store.Save("first").saved());
  EXPECT_EQ(ReadBytes(store.path()), "first");
  ASSERT_TRUE(store.Save(std::string("\x01\x00second", 8)).saved());
  EXPECT_EQ(ReadBytes(store.path()), std::string("\x01\x00second", 8));
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

TEST(ConfigFileStore, TemporaryLeftByACrashIsIgnoredAndReplaced) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "saved");
  WriteBytes(store.temporaryPath(), "half writ");
  EXPECT_EQ(store.Read().bytes, "saved");
  ASSERT_TRUE(store.Save("next").saved());
  EXPECT_EQ(ReadBytes(store.path()), "next");
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

TEST(ConfigFileStore, ReadOnlyFileIsReportedAndKept) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "old content");
  SetFileAttributesW(store.path().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(store.Save("new content").error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadBytes(store.path()), "old content");
}

TEST(ConfigFileStore, LockedFileIsReportedAndKept) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "old content");
  HANDLE lock = CreateFileW(store.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(store.Save("new content").saved());
  CloseHandle(lock);
  EXPECT_EQ(ReadBytes(store.path()), "old content");
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

TEST(ConfigFileStore, StoreKeepingTheFileWritesNothing) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "unread");
  store.KeepFileAsItIs();
  EXPECT_TRUE(store.Save("empty list").saved());
  EXPECT_EQ(ReadBytes(store.path()), "unread");
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

// The disk's operations, one of which fails as the system would.
class FaultyFiles : public DiskConfigFileOperations {
 public:
  enum class Operation { None, Create, Write, Flush, Close, Replace, Rename, ReplaceAfterRemoving };

  DWORD Create(const std::wstring& path, UniqueHandle& file) override {
    return Fails(Operation::Create) ? error : DiskConfigFileOperations::Create(path, file);
  }
  DWORD Write(HANDLE file, std::string_view bytes) override {
    return Fails(Operation::Write) ? error : DiskConfigFileOperations::Write(file, bytes);
  }
  DWORD Flush(HANDLE file) override {
    return Fails(Operation::Flush) ? error : DiskConfigFileOperations::Flush(file);
  }
  DWORD Close(UniqueHandle& file) override {
    const DWORD closed = DiskConfigFileOperations::Close(file);  // the handle goes either way
    return Fails(Operation::Close) ? error : closed;
  }
  DWORD Replace(const std::wstring& file, const std::wstring& replacement) override {
    // ReplaceFileW may fail after it removed the file it replaces.
    if (Fails(Operation::ReplaceAfterRemoving)) DeleteFileW(file.c_str());
    if (Fails(Operation::Replace) || Fails(Operation::ReplaceAfterRemoving)) return error;
    return DiskConfigFileOperations::Replace(file, replacement);
  }
  DWORD Rename(const std::wstring& from, const std::wstring& to) override {
    return Fails(Operation::Rename) ? error : DiskConfigFileOperations::Rename(from, to);
  }

  Operation failing = Operation::None;
  DWORD error = ERROR_SUCCESS;
  std::vector<Operation> asked;

 private:
  bool Fails(Operation operation) {
    asked.push_back(operation);
    return operation == failing;
  }
};
using Operation = FaultyFiles::Operation;

// The main window's close over a store whose save fails once at one step: the
// file stays byte for byte, no temporary is left, the failure box says why in
// the system's words, and its Retry (the fault gone) writes the new content.
TEST(ConfigSaveFault, EachStepFailingKeepsTheFileSaysWhyAndRetryWritesTheNewContent) {
  test::InitCommonControlsOnce();
  const std::string oldFile =
      ConfigCipher("127.0.0.1|3389|admin|pw|old\r\n#Start:0\r\n#LoadinPass:<>\r\n");
  const std::string newPlain = "127.0.0.2|22|root||new\r\n#Start:0\r\n#LoadinPass:<>\r\n";
  const struct {
    Operation operation;
    DWORD error;
    SaveStep step;
    const char* name;
  } rows[] = {
      {Operation::Create, ERROR_ACCESS_DENIED, SaveStep::CreateTemporary, "create"},
      {Operation::Write, ERROR_DISK_FULL, SaveStep::Write, "write"},
      {Operation::Flush, ERROR_WRITE_FAULT, SaveStep::Flush, "flush"},
      {Operation::Close, ERROR_NETNAME_DELETED, SaveStep::Close, "close"},
      {Operation::Replace, ERROR_SHARING_VIOLATION, SaveStep::Replace, "replace"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TestFolder folder;
    FaultyFiles files;
    ConfigFileStore store(folder.File(L"ms.ini"), files);
    WriteBytes(store.path(), oldFile);
    files.failing = row.operation;
    files.error = row.error;
    const SaveResult result = store.Save("other");
    EXPECT_EQ(result.error, row.error);
    EXPECT_EQ(result.failedStep, row.step);

    AppState state;
    LoadConfig(state, newPlain);
    Win32LaunchEnvironment launch;
    test::NoSweeps sweeps;
    test::RecordingAddressOpener opener;
    SystemServerImporter importer;
    RecordingPrompt prompt([&](const ShownBox&) {
      EXPECT_EQ(ReadBytes(store.path()), oldFile);
      EXPECT_EQ(FileNames(folder.path()), (std::vector<std::wstring>{L"ms.ini", L"ms.ini.lock"}));
      EXPECT_EQ(files.asked.back(), row.operation) << "the failing step was the last one tried";
      files.failing = Operation::None;
      return IDRETRY;
    });
    // The run read the old file and has changed the list since.
    SharedConfig config(store, ConfigCipher(oldFile), store.Stamp());
    MainWindow window(state, {config, launch, sweeps, opener, prompt, importer});
    HWND hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    test::PumpMessages();

    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    test::PumpMessages();
    const ShownBox saveFailed{
        L"配置文件 ms.ini 保存失败，本次的修改尚未保存。\n" + SystemErrorText(row.error),
        L"保存失败", MB_RETRYCANCEL | MB_ICONERROR | MB_TASKMODAL};
    EXPECT_EQ(prompt.boxes(), std::vector<ShownBox>{saveFailed});
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(ConfigCipher(ReadBytes(store.path())), newPlain);
    EXPECT_EQ(FileNames(folder.path()), (std::vector<std::wstring>{L"ms.ini", L"ms.ini.lock"}));
  }
}

TEST(SystemErrorText, IsTheSystemsTextOnOneLineOrTheCode) {
  const std::wstring text = SystemErrorText(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos) << "the line break is trimmed";
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), L"错误代码 805306367");
}

// A replace cut short on a FAT disk leaves no ms.ini and the complete
// temporary: that is the list until a save has put it in place, whatever fails.
TEST(ConfigFileStore, TemporaryLeftAsTheOnlyCopyIsReadAndPutInPlaceAndSurvivesAnyFailure) {
  const Operation operations[] = {Operation::None,   Operation::Rename, Operation::Create,
                                  Operation::Write,  Operation::Flush,  Operation::Close,
                                  Operation::Replace};
  for (const Operation operation : operations) {
    SCOPED_TRACE(static_cast<int>(operation));
    TestFolder folder;
    FaultyFiles files;
    files.failing = operation;
    files.error = ERROR_DISK_FULL;
    ConfigFileStore store(folder.File(L"ms.ini"), files);
    WriteBytes(store.temporaryPath(), "the list");
    EXPECT_EQ(store.Read().bytes, "the list");
    const bool saved = store.Save("next").saved();
    EXPECT_EQ(saved, operation == Operation::None);
    EXPECT_EQ(store.Read().bytes, saved ? "next" : "the list");
    if (saved) EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
  }
}

TEST(ConfigFileStore, ReplaceThatFailedAfterRemovingTheFileLeavesTheNewListInTheTemporary) {
  TestFolder folder;
  FaultyFiles files;
  files.failing = Operation::ReplaceAfterRemoving;
  files.error = ERROR_UNABLE_TO_MOVE_REPLACEMENT;
  ConfigFileStore store(folder.File(L"ms.ini"), files);
  WriteBytes(store.path(), "old");
  const SaveResult result = store.Save("new");
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_UNABLE_TO_MOVE_REPLACEMENT));
  EXPECT_EQ(store.Read().bytes, "new");
  files.failing = Operation::None;
  ASSERT_TRUE(store.Save("newer").saved());
  EXPECT_EQ(ReadBytes(store.path()), "newer");
  EXPECT_EQ(FileNames(folder.path()), std::vector<std::wstring>{L"ms.ini"});
}

TEST(ConfigFileStore, SaveKeepsTheFileHidden) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "old");
  SetFileAttributesW(store.path().c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(store.Save("new").saved());
  EXPECT_EQ(ReadBytes(store.path()), "new");
  EXPECT_TRUE(GetFileAttributesW(store.path().c_str()) & FILE_ATTRIBUTE_HIDDEN);
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
