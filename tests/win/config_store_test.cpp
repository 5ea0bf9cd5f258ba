// ms.ini on disk: the save replaces the file whole or not at all.
#include <gtest/gtest.h>

#include "core/config_store_win32.h"
#include "test_files_win32.h"

namespace rdc {
namespace {

using test::FileExists;
using test::ReadBytes;
using test::TestFolder;
using test::WriteBytes;

TEST(ConfigFileStore, ReadsWholeFileAndMissingFileAsEmpty) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  EXPECT_EQ(store.Read(), "");
  const std::string bytes("\x00\xff\r\n|abc", 8);
  WriteBytes(store.path(), bytes);
  EXPECT_EQ(store.Read(), bytes);
}

TEST(ConfigFileStore, SaveCreatesAndReplacesWithExactBytesAndLeavesNoTemporary) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  ASSERT_TRUE(store.Save("first"));
  EXPECT_EQ(ReadBytes(store.path()), "first");
  ASSERT_TRUE(store.Save(std::string("\x01\x00second", 8)));
  EXPECT_EQ(ReadBytes(store.path()), std::string("\x01\x00second", 8));
  EXPECT_FALSE(FileExists(store.path() + L".new"));
}

TEST(ConfigFileStore, FailureBetweenWriteAndReplaceKeepsOldFile) {
  TestFolder folder;
  ConfigFileStore store(folder.File(L"ms.ini"));
  WriteBytes(store.path(), "old content");
  bool temporaryWritten = false;
  store.beforeReplace = [&] {
    temporaryWritten = ReadBytes(store.path() + L".new") == "new content";
    return false;
  };
  EXPECT_FALSE(store.Save("new content"));
  EXPECT_TRUE(temporaryWritten);
  EXPECT_EQ(ReadBytes(store.path()), "old content");
  EXPECT_FALSE(FileExists(store.path() + L".new"));
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
}

}  // namespace
}  // namespace rdc
