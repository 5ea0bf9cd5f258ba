// The Windows calls behind a connection, a few lines each. Keys and value
// names go through code page 936; paths and the command line are UTF-16 already.
#include "launch/launch_environment_win32.h"

#include <wincrypt.h>

#include "os/owners_win32.h"
#include "text/text_win32.h"

namespace rdc {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide API takes UTF-16 units");

std::wstring ToWide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace

std::u16string Win32LaunchEnvironment::Utf16WithTerminator(const std::string& gbk) {
  // Up to the first NUL, and the terminator with it.
  const std::wstring wide = WideFromGbk(std::string_view(gbk.c_str())) + L'\0';
  return std::u16string(wide.begin(), wide.end());
}

std::string Win32LaunchEnvironment::Protect(std::string_view data,
                                            std::u16string_view description) {
  DATA_BLOB input{static_cast<DWORD>(data.size()),
                  reinterpret_cast<BYTE*>(const_cast<char*>(data.data()))};
  DATA_BLOB output{0, nullptr};
  const std::wstring wideDescription = ToWide(description);
  if (!CryptProtectData(&input, wideDescription.c_str(), nullptr, nullptr, nullptr, 0, &output)) {
    return {};
  }
  const LocalMemory<BYTE*> owned(output.pbData);
  return std::string(reinterpret_cast<const char*>(owned.get()), output.cbData);
}

std::u16string Win32LaunchEnvironment::TempDirectory() {
  const DWORD size = GetTempPathW(0, nullptr);  // characters needed, terminator included
  if (size == 0) return {};
  std::wstring path(size, L'\0');
  const DWORD length = GetTempPathW(size, path.data());
  if (length == 0 || length >= size) return {};
  return std::u16string(path.begin(), path.begin() + length);
}

std::uint32_t Win32LaunchEnvironment::TickCount() {
  return GetTickCount();
}

void Win32LaunchEnvironment::Wait(std::uint32_t milliseconds) {
  Sleep(milliseconds);
}

RunProfiles& Win32LaunchEnvironment::Profiles() {
  static RunProfiles profiles;  // touched only by the UI thread
  return profiles;
}

NewFile Win32LaunchEnvironment::CreateNewFile(const std::u16string& path, std::string_view bytes) {
  const std::wstring widePath = ToWide(path);
  UniqueHandle file(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFile::NameTaken
                                                                       : NewFile::Failed;
  }
  DWORD written = 0;
  const bool whole =
      ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  if (file.Free() && whole) return NewFile::Created;
  DeleteFileW(widePath.c_str());  // ours, and incomplete; ignored if it fails
  return NewFile::Failed;
}

void Win32LaunchEnvironment::RemoveFile(const std::u16string& path) {
  // Ignored if it fails: a client that still holds the file keeps it.
  DeleteFileW(ToWide(path).c_str());
}

bool Win32LaunchEnvironment::RegistryValueExists(const std::string& key, const std::string& name) {
  UniqueKey opened;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, WideFromGbk(key).c_str(), 0, KEY_READ, opened.receive()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegQueryValueExW(opened.get(), WideFromGbk(name).c_str(), nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS;
}

bool Win32LaunchEnvironment::SetRegistryDword(const std::string& key, const std::string& name,
                                              std::uint32_t value) {
  const std::wstring wideKey = WideFromGbk(key);
  UniqueKey opened;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, wideKey.c_str(), 0, KEY_WRITE, opened.receive()) !=
          ERROR_SUCCESS &&
      RegCreateKeyExW(HKEY_CURRENT_USER, wideKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                      opened.receive(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD data = value;
  return RegSetValueExW(opened.get(), WideFromGbk(name).c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

std::uint32_t Win32LaunchEnvironment::StartProcess(const std::u16string& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  std::wstring mutableCommandLine = ToWide(commandLine);  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;  // never "started" by mistake
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  // The client runs on its own; its readiness within the second is not required.
  WaitForInputIdle(processHandle.get(), 1000);
  return ERROR_SUCCESS;
}

}  // namespace rdc
