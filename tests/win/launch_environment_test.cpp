// Tests of the Windows side of a connection, against the system itself:
// data protection round trip, registry value, command-line splitting, files.
#include "launch/launch_environment_win32.h"

// <shellapi.h> and <wincrypt.h> need <windows.h>, which the header above includes first.
#include <gtest/gtest.h>
#include <wincred.h>

#include <optional>
#include <string>
#include <vector>

#include "launch/profile.h"
#include "password_and_command_line_win32.h"
#include "text/text_win32.h"

namespace rdc {
namespace {

std::u16string U16(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}
std::wstring W(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

// A text no other test run uses, for registry names and file names.
std::wstring UniqueTag() {
  return L"rdc-launch-test-" + std::to_wstring(GetCurrentProcessId());
}

std::string ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

std::wstring SystemTempPath() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, length);
}

// Reads the DWORD value `name` of the LocalDevices key; -1 when absent or not a DWORD.
long long LocalDevicesDword(const std::wstring& name) {
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  const std::wstring key = WideFromGbk(kLocalDevicesKey);
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY, &type, &data, &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return -1;
  }
  return data;
}

void DeleteLocalDevicesValue(const std::wstring& name) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, WideFromGbk(kLocalDevicesKey).c_str(), name.c_str());
}

TEST(LaunchEnvironmentTest, ProtectedPasswordUnprotectsToTheBlockWithDescriptionPsw) {
  Win32LaunchEnvironment environment;
  struct Row {
    const char* what;
    std::string gbk;
    std::u16string expectedWide;  // units before the block's zero padding
  };
  const Row rows[] = {
      {"Chinese and ASCII",
       "\xC3\xDC\xC2\xEB"
       "abc",
       u"\u5BC6\u7801abc"},  // 密码abc
      {"empty", "", u""},
      {"300 units, cut to the block", std::string(300, 'x'), std::u16string(256, u'x')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string hex = ProtectPasswordHex(environment, row.gbk);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    const test::OpenedPassword unprotected = test::OpenPasswordValue(hex);
    ASSERT_TRUE(unprotected.ok) << hex;
    EXPECT_EQ(unprotected.description, L"psw");
    std::string expectedBlock(512, '\0');
    for (std::size_t n = 0; n < row.expectedWide.size() && 2 * n < 512; ++n) {
      expectedBlock[2 * n] = static_cast<char>(row.expectedWide[n] & 0xFF);
      expectedBlock[2 * n + 1] = static_cast<char>(row.expectedWide[n] >> 8);
    }
    EXPECT_EQ(unprotected.data, expectedBlock);
  }
}

TEST(LaunchEnvironmentTest, ConversionThroughCodePage936KeepsTheTerminator) {
  Win32LaunchEnvironment environment;
  EXPECT_EQ(environment.Utf16WithTerminator("\xC3\xDC\xC2\xEB"),
            u"\u5BC6\u7801" + std::u16string(1, u'\0'));
  EXPECT_EQ(environment.Utf16WithTerminator(""), std::u16string(1, u'\0'));
}

TEST(LaunchEnvironmentTest, RegistryValueIsCreatedOnceWithDword76UnderTheFullHostName) {
  Win32LaunchEnvironment environment;
  // 乗 (0x81 0x5C in GBK) ends the host: its second byte must not split the name.
  const std::string host = GbkFromWide(UniqueTag()) + "\x81\x5C";
  const std::wstring name = UniqueTag() + L"\u4E57";
  DeleteLocalDevicesValue(name);
  const RegistryValuePath path = LocalDevicesValuePath(host);
  EXPECT_FALSE(environment.RegistryValueExists(path.key, path.name));

  EnsureLocalDevicesValue(environment, host);
  EXPECT_TRUE(environment.RegistryValueExists(path.key, path.name));
  EXPECT_EQ(LocalDevicesDword(name), 76);

  // A value that is already there keeps its data.
  const DWORD other = 5;
  RegSetKeyValueW(HKEY_CURRENT_USER, WideFromGbk(kLocalDevicesKey).c_str(), name.c_str(), REG_DWORD,
                  &other, sizeof other);
  EnsureLocalDevicesValue(environment, host);
  EXPECT_EQ(LocalDevicesDword(name), 5);
  DeleteLocalDevicesValue(name);
  EXPECT_EQ(LocalDevicesDword(name), -1);
}

TEST(LaunchEnvironmentTest, SettingAValueCreatesAMissingKey) {
  Win32LaunchEnvironment environment;
  const std::wstring top = L"Software\\" + UniqueTag();
  const std::string key = GbkFromWide(top) + "\\LocalDevices";
  RegDeleteTreeW(HKEY_CURRENT_USER, top.c_str());
  EXPECT_FALSE(environment.RegistryValueExists(key, "h"));
  EXPECT_TRUE(environment.SetRegistryDword(key, "h", 76));
  EXPECT_TRUE(environment.RegistryValueExists(key, "h"));
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, top.c_str()), ERROR_SUCCESS);
}

TEST(LaunchEnvironmentTest, CommandLineSplitsBackIntoTheExactProfilePath) {
  const std::u16string paths[] = {
      u"C:\\users\\root\\Temp\\1a2b.tmp",
      u"C:\\Documents and Settings\\A  B\\Local Settings\\Temp\\ff00.tmp",
      u"D:\\\u7528\u6237 \u540D\\\u4E57 x\\0.tmp",  // 用户 名\乗 x
  };
  for (const std::u16string& path : paths) {
    SCOPED_TRACE(GbkFromWide(W(path)));
    LaunchOptions options;
    options.forceAdmin = true;
    options.fullScreen = true;
    EXPECT_EQ(test::SplitCommandLine(W(ClientCommandLine(path, options))),
              (std::vector<std::wstring>{L"mstsc.exe", W(path), L"/admin", L"/f"}));
    options = LaunchOptions{};
    options.smallScreen = true;
    EXPECT_EQ(test::SplitCommandLine(W(ClientCommandLine(path, options))),
              (std::vector<std::wstring>{L"mstsc.exe", W(path), L"/w:1440", L"/h:900"}));
  }
}

TEST(LaunchEnvironmentTest, CreateNewFileWritesExactBytesAndNeverTouchesAnExistingFile) {
  Win32LaunchEnvironment environment;
  const std::wstring path = SystemTempPath() + UniqueTag() + L" \u6D4B\u8BD5.tmp";  // 测试
  std::string everyByte;
  for (int value = 0; value < 256; ++value) everyByte += static_cast<char>(value);
  everyByte += "\r\n";
  DeleteFileW(path.c_str());
  EXPECT_EQ(environment.CreateNewFile(U16(path), everyByte), NewFile::Created);
  EXPECT_EQ(ReadWholeFile(path), everyByte);
  EXPECT_EQ(environment.CreateNewFile(U16(path), "short"), NewFile::NameTaken);
  EXPECT_EQ(ReadWholeFile(path), everyByte);
  environment.RemoveFile(U16(path));
  EXPECT_EQ(ReadWholeFile(path), "<missing>");

  const std::wstring noFolder = SystemTempPath() + UniqueTag() + L" missing\\x.tmp";
  EXPECT_EQ(environment.CreateNewFile(U16(noFolder), "x"), NewFile::Failed);
}

TEST(LaunchEnvironmentTest, TemporaryDirectoryAndRunProfilesAreTheProcessWideOnes) {
  Win32LaunchEnvironment first;
  Win32LaunchEnvironment second;
  EXPECT_EQ(first.TempDirectory(), U16(SystemTempPath()));
  EXPECT_EQ(first.TempDirectory().back(), u'\\');
  const std::uint32_t taken = first.Profiles().TakeNumber();
  EXPECT_EQ(second.Profiles().TakeNumber(), taken + 1);
}

TEST(LaunchEnvironmentTest, StartProcessRunsTheCommandLineAndReportsAMissingProgram) {
  Win32LaunchEnvironment environment;
  const std::wstring directory = SystemTempPath() + UniqueTag() + L" dir";
  const std::wstring marker = directory + L"\\started.txt";
  CreateDirectoryW(directory.c_str(), nullptr);
  DeleteFileW(marker.c_str());
  EXPECT_EQ(environment.StartProcess(U16(L"cmd.exe /c echo started> \"" + marker + L"\"")), 0u);
  // The child runs on its own; give it a few seconds to leave its mark. The
  // file shows before its text is in (and cannot be read while cmd writes it).
  for (int n = 0; n < 100 && ReadWholeFile(marker).substr(0, 7) != "started"; ++n) Sleep(50);
  EXPECT_EQ(ReadWholeFile(marker).substr(0, 7), "started");
  DeleteFileW(marker.c_str());
  RemoveDirectoryW(directory.c_str());

  EXPECT_EQ(environment.StartProcess(u"rdc-no-such-program.exe \"x y\" "),
            static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
}

// The system's generic credentials keep every part of one, so that a
// credential put aside goes back as it was. (Wine keeps no attributes:
// they are not tried here.)
TEST(LaunchEnvironmentTest, ACredentialReadsBackWholeAndIsGoneOnceRemoved) {
  Win32CredentialStore credentials;
  StoredCredential saved =
      LentCredential(U16(UniqueTag() + L"-\u4E2D"), u"DOM\\admin", u"\u5BC6\u7801pw");  // 密码pw
  saved.targetAlias = u"alias";
  ASSERT_EQ(credentials.Write(saved), 0u);
  EXPECT_EQ(credentials.Read(saved.target), saved);
  EXPECT_EQ(saved.secret, std::string("\xC6\x5B\x01\x78p\0w\0", 8));
  saved.persist = CRED_PERSIST_LOCAL_MACHINE;
  saved.comment = u"saved by the user";
  ASSERT_EQ(credentials.Write(saved), 0u);
  EXPECT_EQ(credentials.Read(saved.target), saved);
  credentials.Remove(saved.target);
  EXPECT_EQ(credentials.Read(saved.target), std::nullopt);
}

// The real environment with the client's start recorded instead of made.
class NoClientEnvironment : public Win32LaunchEnvironment {
 public:
  std::uint32_t StartProcess(const std::u16string& commandLine) override {
    commandLines.push_back(W(commandLine));
    return 0;
  }
  std::vector<std::wstring> commandLines;
};

// The whole one-off connection with a temporary directory whose path holds a
// space and characters outside ASCII, as a user name may.
TEST(LaunchEnvironmentTest, OneOffConnectionWritesItsProfileIntoANonAsciiTempDirectory) {
  wchar_t savedTmp[MAX_PATH + 1] = L"";
  const bool hadTmp = GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH + 1) != 0;
  const std::wstring directory = SystemTempPath() + UniqueTag() + L" \u7528\u6237";  // 用户
  CreateDirectoryW(directory.c_str(), nullptr);
  SetEnvironmentVariableW(L"TMP", directory.c_str());

  NoClientEnvironment environment;
  const std::string host = GbkFromWide(UniqueTag() + L"-\u4E2D");  // ...-中
  const std::string account = "\xB9\xDC\xC0\xED\xD4\xB1";          // 管理员
  LaunchOptions options;
  options.forceAdmin = true;
  EXPECT_EQ(
      ConnectTemporary(environment, TemporaryLogin{host, "3389", account, "pw"}, options).result,
      LaunchResult::Started);

  ASSERT_EQ(environment.commandLines.size(), 1u);
  const std::vector<std::wstring> arguments = test::SplitCommandLine(environment.commandLines[0]);
  ASSERT_EQ(arguments.size(), 3u);
  EXPECT_EQ(arguments[0], L"mstsc.exe");
  EXPECT_EQ(arguments[2], L"/admin");
  const std::wstring& profilePath = arguments[1];
  EXPECT_EQ(profilePath.substr(0, directory.size() + 1), directory + L"\\");
  EXPECT_EQ(profilePath.substr(profilePath.size() - 4), L".tmp");

  // The file is the composed profile; its password value unprotects to "pw".
  const std::string written = ReadWholeFile(profilePath);
  const std::string passwordLead = "\r\npassword 51:b:";
  const std::size_t valueStart = written.find(passwordLead);
  ASSERT_NE(valueStart, std::string::npos);
  const std::size_t valueEnd = written.find("\r\n", valueStart + passwordLead.size());
  const std::string passwordValue =
      written.substr(valueStart + passwordLead.size(), valueEnd - valueStart - passwordLead.size());
  EXPECT_EQ(written, ComposeProfile(account, host, "3389", passwordValue, false));
  const test::OpenedPassword unprotected = test::OpenPasswordValue(passwordValue);
  ASSERT_TRUE(unprotected.ok);
  EXPECT_EQ(unprotected.data.substr(0, 6), std::string("p\0w\0\0\0", 6));

  EXPECT_EQ(LocalDevicesDword(WideFromGbk(host)), 76);

  DeleteLocalDevicesValue(WideFromGbk(host));
  DeleteFileW(profilePath.c_str());
  RemoveDirectoryW(directory.c_str());
  SetEnvironmentVariableW(L"TMP", hadTmp ? savedTmp : nullptr);
}

}  // namespace
}  // namespace rdc
