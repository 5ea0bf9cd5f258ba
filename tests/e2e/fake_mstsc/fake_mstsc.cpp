// A recording stand-in for the remote desktop client: appends its command line
// to mstsc-record.txt beside itself and keeps a numbered copy of the profile.
// Started without one ("/v:host:port"), it keeps instead what the system's
// saved credential for that host holds while it runs: "user password", or
// "none".
#include <windows.h>
// <shellapi.h> builds on <windows.h>.
#include <shellapi.h>
#include <wincred.h>

#include <string>

#ifdef _MSC_VER
#pragma comment(lib, "shell32.lib")
#endif

namespace {

std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return L".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\'));
}

std::string Utf8FromWide(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

int CountLines(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  int lines = 0;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    for (DWORD i = 0; i < read; ++i) lines += buffer[i] == '\n';
  }
  CloseHandle(file);
  return lines;
}

// One line per start; the test reads the lines back in order. The test polls
// the record while the program runs, so readers are let in: an exclusive open
// would fail, and lose this start, whenever a poll had the file open.
bool AppendLine(const std::wstring& path, const std::string& line) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string bytes = line + "\n";
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

// "user password" of the generic credential TERMSRV/<host of "host:port">;
// the password's UTF-16 as UTF-8.
std::string SavedCredentialOf(const std::wstring& address) {
  const std::wstring host = address.substr(0, address.find_last_of(L':'));
  PCREDENTIALW found = nullptr;
  if (!CredReadW((L"TERMSRV/" + host).c_str(), CRED_TYPE_GENERIC, 0, &found)) return "none";
  const std::wstring password(reinterpret_cast<const wchar_t*>(found->CredentialBlob),
                              found->CredentialBlobSize / sizeof(wchar_t));
  std::string text = Utf8FromWide(found->UserName != nullptr ? found->UserName : L"") + " " +
                     Utf8FromWide(password);
  CredFree(found);
  return text;
}

}  // namespace

int main() {
  const std::wstring folder = OwnFolder();
  const wchar_t* commandLine = GetCommandLineW();

  // Start n of the record gets profile-n.txt; a copy that fails leaves its number unused.
  const std::wstring record = folder + L"\\mstsc-record.txt";
  const int startNumber = CountLines(record) + 1;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(commandLine, &argc);
  bool copied = false;
  if (argv != nullptr && argc >= 2 && std::wstring(argv[1]).rfind(L"/v:", 0) == 0) {
    const std::wstring kept = folder + L"\\credential-" + std::to_wstring(startNumber) + L".txt";
    copied = AppendLine(kept, SavedCredentialOf(argv[1] + 3));
  } else if (argv != nullptr && argc >= 2) {
    const std::wstring copy = folder + L"\\profile-" + std::to_wstring(startNumber) + L".txt";
    copied = CopyFileW(argv[1], copy.c_str(), TRUE) != 0;
  }
  if (argv != nullptr) LocalFree(argv);

  const bool recorded = AppendLine(record, Utf8FromWide(commandLine));
  return recorded && copied ? 0 : 1;
}
