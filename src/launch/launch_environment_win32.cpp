// The Windows calls behind a connection, a few lines each. Keys and value
// names go through code page 936; paths and the command line are UTF-16 already.
#include "launch/launch_environment_win32.h"

#include <wincred.h>
#include <wincrypt.h>

#include <thread>

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

namespace {

// Starts the command line and waits at most 1000 ms for it to be idle for
// input; the process, or none with the system's error code.
UniqueHandle StartClient(const std::u16string& commandLine, std::uint32_t& error) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  std::wstring mutableCommandLine = ToWide(commandLine);  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    error = GetLastError();
    if (error == ERROR_SUCCESS) error = ERROR_GEN_FAILURE;  // never "started" by mistake
    return UniqueHandle();
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  // The client runs on its own; its readiness within the second is not required.
  WaitForInputIdle(processHandle.get(), 1000);
  error = ERROR_SUCCESS;
  return processHandle;
}

}  // namespace

std::uint32_t Win32LaunchEnvironment::StartProcess(const std::u16string& commandLine) {
  std::uint32_t error = 0;
  StartClient(commandLine, error);
  return error;
}

std::uint32_t Win32LaunchEnvironment::StartWatchedProcess(const std::u16string& commandLine,
                                                          std::function<void()> ended) {
  std::uint32_t error = 0;
  UniqueHandle process = StartClient(commandLine, error);
  if (error != 0) return error;
  // One waiting thread per client; it ends with the client (or the program).
  std::thread([process = std::move(process), ended = std::move(ended)] {
    WaitForSingleObject(process.get(), INFINITE);
    ended();
  }).detach();
  return ERROR_SUCCESS;
}

CredentialLoans& Win32LaunchEnvironment::Loans() {
  // Never destroyed: a thread watching a client may give its loan back while
  // the program's statics are being destroyed.
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): owned by the process, never freed
  static Win32CredentialStore* const store = new Win32CredentialStore;
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): owned by the process, never freed
  static CredentialLoans* const loans = new CredentialLoans(*store);
  return *loans;
}

static_assert(kPersistForSession == CRED_PERSIST_SESSION);

std::optional<StoredCredential> Win32CredentialStore::Read(const std::u16string& target) {
  PCREDENTIALW found = nullptr;
  if (!CredReadW(ToWide(target).c_str(), CRED_TYPE_GENERIC, 0, &found)) return std::nullopt;
  const auto text = [](const wchar_t* wide) {
    return wide != nullptr ? std::u16string(wide, wide + wcslen(wide)) : std::u16string();
  };
  StoredCredential credential;
  credential.target = target;
  credential.userName = text(found->UserName);
  credential.secret.assign(reinterpret_cast<const char*>(found->CredentialBlob),
                           found->CredentialBlobSize);
  credential.comment = text(found->Comment);
  credential.targetAlias = text(found->TargetAlias);
  credential.flags = found->Flags;
  credential.persist = found->Persist;
  for (DWORD i = 0; i < found->AttributeCount; ++i) {
    const CREDENTIAL_ATTRIBUTEW& attribute = found->Attributes[i];
    credential.attributes.push_back(
        {text(attribute.Keyword),
         std::string(reinterpret_cast<const char*>(attribute.Value), attribute.ValueSize),
         attribute.Flags});
  }
  CredFree(found);
  return credential;
}

std::uint32_t Win32CredentialStore::Write(const StoredCredential& credential) {
  std::wstring target = ToWide(credential.target);
  std::wstring userName = ToWide(credential.userName);
  std::wstring comment = ToWide(credential.comment);
  std::wstring alias = ToWide(credential.targetAlias);
  std::string secret = credential.secret;
  std::vector<std::wstring> keywords;
  std::vector<std::string> values;
  for (const StoredCredential::Attribute& attribute : credential.attributes) {
    keywords.push_back(ToWide(attribute.keyword));
    values.push_back(attribute.value);
  }
  std::vector<CREDENTIAL_ATTRIBUTEW> attributes;
  for (std::size_t i = 0; i < keywords.size(); ++i) {
    attributes.push_back({keywords[i].data(), credential.attributes[i].flags,
                          static_cast<DWORD>(values[i].size()),
                          reinterpret_cast<BYTE*>(values[i].data())});
  }
  CREDENTIALW written{};
  written.Flags = credential.flags;
  written.Type = CRED_TYPE_GENERIC;
  written.TargetName = target.data();
  written.Comment = comment.empty() ? nullptr : comment.data();
  written.CredentialBlobSize = static_cast<DWORD>(secret.size());
  written.CredentialBlob = reinterpret_cast<BYTE*>(secret.data());
  written.Persist = credential.persist;
  written.AttributeCount = static_cast<DWORD>(attributes.size());
  written.Attributes = attributes.empty() ? nullptr : attributes.data();
  written.TargetAlias = alias.empty() ? nullptr : alias.data();
  written.UserName = userName.data();
  const DWORD error = CredWriteW(&written, 0) ? ERROR_SUCCESS : GetLastError();
  SecureZeroMemory(secret.data(), secret.size());
  return error;
}

void Win32CredentialStore::Remove(const std::u16string& target) {
  // Ignored if it fails: nothing is left to take back then.
  CredDeleteW(ToWide(target).c_str(), CRED_TYPE_GENERIC, 0);
}

}  // namespace rdc
