// Drives the real rdconnect.exe from a second process: a copy of it in a fresh
// folder, started from another working directory, its windows found and worked by messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "test_files_win32.h"

namespace rdc::e2e {

// Every wait of the tests polls up to this long.
inline constexpr DWORD kWaitMs = 10000;

inline constexpr wchar_t kFormClass[] = L"rdconnect.Form";
inline constexpr wchar_t kMessageBoxClass[] = L"#32770";
inline constexpr wchar_t kLoginTitle[] = L"身份验证 (Authentication)";

using test::FileExists;
using test::FileNames;
using test::ReadBytes;
using test::TempDirectory;
using test::TestFolder;
using test::WriteBytes;

std::wstring WideFromUtf8(std::string_view utf8);

// Polls `done` every 20 ms until it is true or `timeoutMs` has passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs);

// The text of another process's window or control (WM_GETTEXT).
std::wstring Text(HWND window);
bool SetText(HWND window, std::wstring_view text);
// A click that returns at once, for buttons that may open modal UI.
bool PostClick(HWND button);
// A click carried out before the call returns, for check boxes and radio buttons.
bool SendClick(HWND button);
bool IsChecked(HWND button);

// One running rdconnect.exe, its windows found and worked from outside.
class ProgramCopy {
 public:
  ProgramCopy() = default;
  // Kills the program if it still runs.
  ~ProgramCopy();
  ProgramCopy(const ProgramCopy&) = delete;
  ProgramCopy& operator=(const ProgramCopy&) = delete;

  // Starts `exe` with `arguments` in the working folder `workingFolder`.
  bool StartExe(const std::wstring& exe, const std::wstring& arguments,
                const std::wstring& workingFolder);
  HANDLE process() const { return process_.hProcess; }
  bool Running() const;
  // Waits for the process to end; false on timeout.
  bool WaitForExit(DWORD* exitCode = nullptr, DWORD timeoutMs = kWaitMs) const;
  // Ends the process at once, as a crash or the task manager would.
  bool Kill() const;

  // The program's top-level windows (visible ones only when asked).
  std::vector<HWND> TopLevelWindows(bool visibleOnly) const;
  // The first visible top-level window of the program with this class (and title,
  // when given) to appear within the wait; nullptr on timeout.
  HWND WaitForWindow(std::wstring_view className, std::wstring_view title = {}) const;
  HWND WaitForMainWindow() const;
  HWND WaitForMessageBox() const { return WaitForWindow(kMessageBoxClass); }

  // The list view, read and worked through memory in the program's process.
  int RowCount(HWND list) const;
  std::wstring CellText(HWND list, int row, int column) const;
  bool SelectRow(HWND list, int row) const;
  // A double-click at the middle of `row`, or below the last row when `row` is -1.
  bool DoubleClickList(HWND list, int row) const;

 private:
  PROCESS_INFORMATION process_{};
};

// One run of rdconnect.exe, copied beside nothing but what the test puts there.
class AppUnderTest : public ProgramCopy {
 public:
  // A copy of `exe`; without one, of the rdconnect.exe beside the running program.
  explicit AppUnderTest(const std::wstring& exe = {});
  // Kills the program if it still runs, then removes both folders.
  ~AppUnderTest();
  AppUnderTest(const AppUnderTest&) = delete;
  AppUnderTest& operator=(const AppUnderTest&) = delete;

  // The program's own folder and the other folder it is started from.
  const TestFolder& folder() const { return folder_; }
  const TestFolder& workingFolder() const { return elsewhere_; }
  std::wstring ConfigPath() const { return folder_.File(L"ms.ini"); }

  // Writes ms.ini beside the program, enciphered from `plain`.
  bool WriteConfig(std::string_view plain) const;
  // ms.ini beside the program, deciphered; "" when missing.
  std::string ConfigPlain() const;
  // Puts the recording stand-in beside the program as mstsc.exe.
  bool InstallFakeClient() const;
  // The fake client's record: one command line per start, in order.
  std::vector<std::wstring> ClientStarts() const;
  // The profile the fake client copied at start n (1-based).
  std::string ClientProfile(int start) const;

  bool Start(const std::wstring& arguments = L"");
  // Starts one more copy of the same exe, as Start() does; the caller closes the
  // returned process handle (nullptr when it could not start).
  HANDLE StartAnotherCopy(const std::wstring& arguments = L"") const;

 private:
  TestFolder folder_;
  TestFolder elsewhere_;
};

// The text of a message box and the click on its only button.
struct MessageBoxSeen {
  std::wstring caption;
  std::wstring text;
};
MessageBoxSeen ReadMessageBox(HWND box);
bool AnswerMessageBox(HWND box, int buttonId = IDOK);

// The profile files (hex digits + ".tmp") that appear in the temporary directory
// after it is made; those it finds are deleted when it goes.
class NewProfiles {
 public:
  NewProfiles();
  ~NewProfiles();
  NewProfiles(const NewProfiles&) = delete;
  NewProfiles& operator=(const NewProfiles&) = delete;

  // Full paths of profile files that did not exist at construction.
  std::vector<std::wstring> Paths();

 private:
  std::vector<std::wstring> before_;
  std::vector<std::wstring> seen_;
};

// A value under HKCU\Software\Microsoft\Terminal Server Client\LocalDevices, absent
// for the scope's lifetime unless the program makes it; one that existed before is
// put back at the end.
class LocalDevicesValue {
 public:
  explicit LocalDevicesValue(std::wstring name);
  ~LocalDevicesValue();
  LocalDevicesValue(const LocalDevicesValue&) = delete;
  LocalDevicesValue& operator=(const LocalDevicesValue&) = delete;

  // Whether the value exists, whatever its type.
  bool Exists() const;
  // The REG_DWORD data, or -1 when the value is missing or of another type.
  long long Dword() const;

 private:
  void Delete() const;

  std::wstring name_;
  bool saved_ = false;
  DWORD savedType_ = REG_NONE;
  std::vector<BYTE> savedData_;
};

// Splits a profile's text at CR LF, as the client reads it.
std::vector<std::string> ProfileLines(std::string_view profile);

}  // namespace rdc::e2e
