// The end-to-end driver: copies, starts, finds, reads and clicks the program
// from outside, and cleans up whatever a test leaves behind.
#include "driver_win32.h"

#include <commctrl.h>

#include <algorithm>

#include "model/config_cipher.h"
#include "os/executable_folder_win32.h"
#include "ui/control_ids.h"

namespace rdc::e2e {
namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr wchar_t kLocalDevicesKey[] = L"Software\\Microsoft\\Terminal Server Client\\LocalDevices";

// A message to another process's window that gives up instead of hanging the test.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                             result != nullptr ? result : &ignored) != 0;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// Memory in another process, for the list view messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool valid() const { return address_ != nullptr; }
  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  LPARAM param() const { return reinterpret_cast<LPARAM>(address_); }
  bool Write(const void* data, std::size_t size, std::size_t offset = 0) const {
    SIZE_T written = 0;
    return WriteProcessMemory(process_, at(offset), data, size, &written) && written == size;
  }
  bool Read(void* data, std::size_t size, std::size_t offset = 0) const {
    SIZE_T read = 0;
    return ReadProcessMemory(process_, at(offset), data, size, &read) && read == size;
  }

 private:
  HANDLE process_;
  void* address_;
};

bool IsProfileName(const std::wstring& name) {
  const std::size_t dot = name.size() >= 5 ? name.size() - 4 : 0;
  if (dot == 0 || name.substr(dot) != L".tmp") return false;
  return std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(dot), [](wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
  });
}

std::vector<std::wstring> ProfileFilesInTemp() {
  std::vector<std::wstring> paths;
  const std::wstring temp = TempDirectory();
  for (const std::wstring& name : FileNames(temp))
    if (IsProfileName(name)) paths.push_back(temp + name);
  return paths;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
}

std::wstring Text(HWND window) {
  DWORD_PTR length = 0;
  if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied))
    return {};
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

bool SetText(HWND window, std::wstring_view text) {
  const std::wstring terminated(text);
  DWORD_PTR result = 0;
  return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(terminated.c_str()), &result) &&
         result == TRUE;
}

bool PostClick(HWND button) {
  return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

bool SendClick(HWND button) {
  return Send(button, BM_CLICK, 0, 0);
}

bool IsChecked(HWND button) {
  DWORD_PTR state = 0;
  return Send(button, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

AppUnderTest::AppUnderTest(const std::wstring& exe)
    : folder_(L"e2e-app"), elsewhere_(L"e2e-cwd") {
  const std::wstring source = exe.empty() ? ExecutableFolder() + L"\\rdconnect.exe" : exe;
  CopyFileW(source.c_str(), folder_.File(L"rdconnect.exe").c_str(), FALSE);
}

AppUnderTest::~AppUnderTest() {
  Kill();  // before the folders go
}

ProgramCopy::~ProgramCopy() {
  if (process_.hProcess == nullptr) return;
  Kill();
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

bool ProgramCopy::Kill() const {
  if (!Running()) return false;
  TerminateProcess(process_.hProcess, 1);
  return WaitForSingleObject(process_.hProcess, kWaitMs) == WAIT_OBJECT_0;
}

bool AppUnderTest::WriteConfig(std::string_view plain) const {
  return WriteBytes(ConfigPath(), ConfigCipher(plain));
}

std::string AppUnderTest::ConfigPlain() const {
  return ConfigCipher(ReadBytes(ConfigPath()));
}

bool AppUnderTest::InstallFakeClient() const {
  const std::wstring source = ExecutableFolder() + L"\\fake_mstsc.exe";
  return CopyFileW(source.c_str(), folder_.File(L"mstsc.exe").c_str(), FALSE) != 0;
}

std::vector<std::wstring> AppUnderTest::ClientStarts() const {
  std::vector<std::wstring> starts;
  const std::string record = ReadBytes(folder_.File(L"mstsc-record.txt"));
  std::size_t begin = 0;
  for (std::size_t end; (end = record.find('\n', begin)) != std::string::npos; begin = end + 1)
    starts.push_back(WideFromUtf8(std::string_view(record).substr(begin, end - begin)));
  return starts;
}

std::string AppUnderTest::ClientProfile(int start) const {
  return ReadBytes(folder_.File(L"profile-" + std::to_wstring(start) + L".txt"));
}

bool AppUnderTest::Start(const std::wstring& arguments) {
  return StartExe(folder_.File(L"rdconnect.exe"), arguments, elsewhere_.path());
}

bool ProgramCopy::StartExe(const std::wstring& exe, const std::wstring& arguments,
                           const std::wstring& workingFolder) {
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &process_) != 0;
}

HANDLE AppUnderTest::StartAnotherCopy(const std::wstring& arguments) const {
  const std::wstring exe = folder_.File(L"rdconnect.exe");
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      elsewhere_.path().c_str(), &startup, &started))
    return nullptr;
  CloseHandle(started.hThread);
  return started.hProcess;
}

bool ProgramCopy::Running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ProgramCopy::WaitForExit(DWORD* exitCode, DWORD timeoutMs) const {
  if (process_.hProcess == nullptr) return false;
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) GetExitCodeProcess(process_.hProcess, exitCode);
  return true;
}

std::vector<HWND> ProgramCopy::TopLevelWindows(bool visibleOnly) const {
  struct Search {
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> found;
  } search{process_.dwProcessId, visibleOnly, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* search = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search->processId && (!search->visibleOnly || IsWindowVisible(window)))
          search->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ProgramCopy::WaitForWindow(std::wstring_view className, std::wstring_view title) const {
  HWND found = nullptr;
  WaitUntil([&] {
    for (HWND window : TopLevelWindows(true)) {
      if (ClassName(window) != className) continue;
      if (!title.empty() && Text(window) != title) continue;
      found = window;
      return true;
    }
    return !Running();
  });
  return found;
}

HWND ProgramCopy::WaitForMainWindow() const {
  HWND found = nullptr;
  WaitUntil([&] {
    for (HWND window : TopLevelWindows(true)) {
      if (ClassName(window) == kFormClass && GetDlgItem(window, kMainServerList) != nullptr) {
        found = window;
        return true;
      }
    }
    return !Running();
  });
  return found;
}

int ProgramCopy::RowCount(HWND list) const {
  DWORD_PTR count = 0;
  if (!Send(list, LVM_GETITEMCOUNT, 0, 0, &count)) return -1;
  return static_cast<int>(count);
}

std::wstring ProgramCopy::CellText(HWND list, int row, int column) const {
  constexpr std::size_t kChars = 512;
  RemoteBuffer remote(process(), sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  if (!remote.valid()) return L"<no remote memory>";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVITEMW)));
  item.cchTextMax = kChars;
  DWORD_PTR length = 0;
  if (!remote.Write(&item, sizeof item) ||
      !Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.param(), &length))
    return L"<no answer>";
  std::wstring text(std::min<std::size_t>(length, kChars - 1), L'\0');
  if (!remote.Read(text.data(), text.size() * sizeof(wchar_t), sizeof(LVITEMW)))
    return L"<unreadable>";
  return text;
}

bool ProgramCopy::SelectRow(HWND list, int row) const {
  RemoteBuffer remote(process(), sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  DWORD_PTR result = 0;
  return remote.valid() && remote.Write(&item, sizeof item) &&
         Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.param(), &result) &&
         result == TRUE;
}

bool ProgramCopy::DoubleClickList(HWND list, int row) const {
  POINT point{};
  if (row >= 0) {
    RemoteBuffer remote(process(), sizeof(RECT));
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    DWORD_PTR result = 0;
    if (!remote.valid() || !remote.Write(&bounds, sizeof bounds) ||
        !Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.param(), &result) ||
        !result || !remote.Read(&bounds, sizeof bounds))
      return false;
    point = {bounds.left + 10, (bounds.top + bounds.bottom) / 2};
  } else {
    RECT client{};
    GetClientRect(list, &client);
    point = {10, client.bottom - 5};
  }
  // The list view reports NM_DBLCLK for this message alone; it is posted because the
  // handler may open a message box.
  return PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y)) != 0;
}

MessageBoxSeen ReadMessageBox(HWND box) {
  MessageBoxSeen seen{Text(box), {}};
  // The box's text is its one static control that holds text (the icon's is empty).
  EnumChildWindows(
      box,
      [](HWND child, LPARAM param) -> BOOL {
        auto* seen = reinterpret_cast<MessageBoxSeen*>(param);
        if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) return TRUE;
        std::wstring text = Text(child);
        if (text.empty()) return TRUE;
        seen->text = std::move(text);
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&seen));
  return seen;
}

bool AnswerMessageBox(HWND box, int buttonId) {
  HWND button = GetDlgItem(box, buttonId);
  return button != nullptr && PostClick(button);
}

NewProfiles::NewProfiles() : before_(ProfileFilesInTemp()) {}

NewProfiles::~NewProfiles() {
  Paths();
  for (const std::wstring& path : seen_) DeleteFileW(path.c_str());
}

std::vector<std::wstring> NewProfiles::Paths() {
  std::vector<std::wstring> fresh;
  for (const std::wstring& path : ProfileFilesInTemp()) {
    if (std::find(before_.begin(), before_.end(), path) == before_.end()) fresh.push_back(path);
  }
  for (const std::wstring& path : fresh) {
    if (std::find(seen_.begin(), seen_.end(), path) == seen_.end()) seen_.push_back(path);
  }
  return fresh;
}

LocalDevicesValue::LocalDevicesValue(std::wstring name) : name_(std::move(name)) {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kLocalDevicesKey, name_.c_str(), RRF_RT_ANY, &savedType_,
                   nullptr, &size) != ERROR_SUCCESS)
    return;
  savedData_.resize(size);
  saved_ = RegGetValueW(HKEY_CURRENT_USER, kLocalDevicesKey, name_.c_str(), RRF_RT_ANY, &savedType_,
                        savedData_.data(), &size) == ERROR_SUCCESS;
  savedData_.resize(size);
  Delete();
}

LocalDevicesValue::~LocalDevicesValue() {
  Delete();
  if (saved_) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kLocalDevicesKey, name_.c_str(), savedType_,
                    savedData_.data(), static_cast<DWORD>(savedData_.size()));
  }
}

void LocalDevicesValue::Delete() const {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kLocalDevicesKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  RegDeleteValueW(key, name_.c_str());  // ignored: the value may not exist
  RegCloseKey(key);
}

bool LocalDevicesValue::Exists() const {
  return RegGetValueW(HKEY_CURRENT_USER, kLocalDevicesKey, name_.c_str(), RRF_RT_ANY, nullptr,
                      nullptr, nullptr) == ERROR_SUCCESS;
}

long long LocalDevicesValue::Dword() const {
  DWORD data = 0;
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CURRENT_USER, kLocalDevicesKey, name_.c_str(), RRF_RT_REG_DWORD, nullptr,
                   &data, &size) != ERROR_SUCCESS)
    return -1;
  return data;
}

std::vector<std::string> ProfileLines(std::string_view profile) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = profile.find("\r\n", begin);
    lines.emplace_back(profile.substr(begin, end == std::string_view::npos ? end : end - begin));
    if (end == std::string_view::npos) return lines;
    begin = end + 2;
  }
}

}  // namespace rdc::e2e
