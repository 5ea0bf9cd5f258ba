// The export's files on disk, and read back by the import with the system's
// XML reader and data protection.
#include <windows.h>

#include <gtest/gtest.h>

#include "export/export_writer_win32.h"
#include "import/import_environment_win32.h"
#include "launch/launch_environment_win32.h"
#include "test_files_win32.h"

namespace rdc {
namespace {

TEST(ExportWriterTest, FilesReplaceTheirNamesakesWholeAndAFolderThatIsMissingSaysSo) {
  test::TestFolder folder(L"export");
  ASSERT_TRUE(test::WriteBytes(folder.File(L"a.rdp"), "old and longer"));
  const std::vector<ExportedFile> files = {{u"a.rdp", "new"}, {u"测试.rdp", "second"}};
  const ExportWriteOutcome outcome = WriteExportedFiles(folder.path(), files);
  EXPECT_EQ(outcome.written, 2);
  EXPECT_EQ(outcome.error, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(test::ReadBytes(folder.File(L"a.rdp")), "new");
  EXPECT_EQ(test::FileNames(folder.path()), (std::vector<std::wstring>{L"a.rdp", L"测试.rdp"}));

  const ExportWriteOutcome missing = WriteExportedFiles(folder.File(L"gone"), files);
  EXPECT_EQ(missing.written, 0);
  EXPECT_EQ(missing.failedFile, L"a.rdp");
  EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(ExportWriterTest, GroupFilesAndConnectionFilesOpenWithTheSystemsReaderAndDataProtection) {
  test::TestFolder folder(L"export");
  ServerList servers;
  // GBK: 生产 C9FA B2FA, 主库 D6F7 BFE2.
  AppendServer(servers, {"db1", "3390", "CORP\\sa", "p&w \xD6\xF7", "\xD6\xF7\xBF\xE2\nsecond",
                         "\xC9\xFA\xB2\xFA"});
  Win32LaunchEnvironment system;
  for (const ExportFormat format : {ExportFormat::GroupFile, ExportFormat::ConnectionFiles}) {
    const ExportedFiles exported = ExportFiles(format, servers, u"list", true, false, system);
    ASSERT_EQ(WriteExportedFiles(folder.path(), exported.files).written, 1);
    const std::wstring name(exported.files[0].name.begin(), exported.files[0].name.end());
    struct : MasterPasswordPrompt {
      std::optional<std::u16string> AskMasterPassword(std::u16string_view) override { return {}; }
    } prompt;
    const ImportOutcome outcome = ImportServerFiles({folder.File(name)}, {}, prompt);
    ASSERT_EQ(outcome.added.size(), 1u);
    const ServerTexts& added = outcome.added[0];
    EXPECT_EQ(added.host, "db1");
    EXPECT_EQ(added.port, "3390");
    EXPECT_EQ(added.account, "CORP\\sa");
    EXPECT_EQ(added.password, "p&w \xD6\xF7");
    const bool group = format == ExportFormat::GroupFile;
    EXPECT_EQ(added.remark, group ? "\xD6\xF7\xBF\xE2\r\nsecond" : "\xD6\xF7\xBF\xE2");
    EXPECT_EQ(added.group, group ? "\xC9\xFA\xB2\xFA" : "");
  }
}

}  // namespace
}  // namespace rdc
