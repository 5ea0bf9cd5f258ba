// The program's arguments as the system splits them, also when a start has none.
#include "app/command_line_win32.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace rdc {
namespace {

struct CommandLineCase {
  const wchar_t* commandLine;
  std::optional<std::wstring> connectName;
  std::size_t files;
};

TEST(CommandLine, ConnectsAndFilesAsTheSystemSplitsTheArguments) {
  const CommandLineCase cases[] = {
      {L"", std::nullopt, 0},
      {L"rdconnect.exe", std::nullopt, 0},
      {L"rdconnect.exe \t ", std::nullopt, 0},
      {L"\"C:\\a b\\rdconnect.exe\"", std::nullopt, 0},
      {L"\"C:\\a b\\rdconnect.exe\"  ", std::nullopt, 0},
      {L"\"C:\\a b\\rdconnect.exe", std::nullopt, 0},  // never closed: all of it is the name
      {L"rdconnect.exe /connect web1", L"web1", 0},
      {L"\"C:\\a b\\rdconnect.exe\" -CONNECT \"db 2\"", L"db 2", 0},
      {L"rdconnect.exe list.rdg", std::nullopt, 1},
      {L"\"C:\\a b\\rdconnect.exe\"\tone.rdp \"two files.rdg\"", std::nullopt, 2},
      {L"\"C:\\rdconnect.exe\"list.rdg", std::nullopt, 1},  // an argument right after the quote
  };
  for (const CommandLineCase& test : cases) {
    const StartRequest request = ReadStartRequest(test.commandLine);
    EXPECT_EQ(request.connectName, test.connectName) << test.commandLine;
    EXPECT_EQ(request.files.size(), test.files) << test.commandLine;
  }
}

}  // namespace
}  // namespace rdc
