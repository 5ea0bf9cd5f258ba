// The two ways of connecting and the steps they share.
#include "launch/client_launch.h"

#include <optional>

#include "launch/profile.h"
#include "text/gbk_text.h"

namespace rdc {
namespace {

std::u16string LowerHex(std::uint32_t number) {
  constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string digits;
  do {
    digits.insert(digits.begin(), kDigits[number & 0x0F]);
    number >>= 4;
  } while (number != 0);
  return digits;
}

bool HasControlByteIn(std::string_view host, std::string_view port, std::string_view account) {
  return HasControlByte(host) || HasControlByte(port) || HasControlByte(account);
}

// Writes the profile, ensures the registry value and starts the client. The
// outcome of each system step is deliberately not examined: a failed step
// does not stop the ones after it.
void WriteProfileAndStart(LaunchEnvironment& environment, const std::u16string& profilePath,
                          std::string_view host, std::string_view port, std::string_view account,
                          const std::optional<std::string>& passwordValue,
                          const LaunchOptions& options) {
  const std::string profile =
      ComposeProfile(account, host, port, passwordValue, options.shareDisks);
  environment.WriteWholeFile(profilePath, profile);
  EnsureLocalDevicesValue(environment, host);
  environment.StartProcess(ClientCommandLine(profilePath, options));
}

}  // namespace

RegistryValuePath LocalDevicesValuePath(std::string_view host) {
  const std::string path = std::string(kLocalDevicesKey) + "\\" + std::string(host);
  std::size_t lastBackslash = 0;
  for (std::size_t index = 0; index < path.size(); index += CharLength(path, index)) {
    if (path[index] == '\\') lastBackslash = index;
  }
  return {path.substr(0, lastBackslash), path.substr(lastBackslash + 1)};
}

void EnsureLocalDevicesValue(LaunchEnvironment& environment, std::string_view host) {
  const RegistryValuePath value = LocalDevicesValuePath(host);
  if (environment.RegistryValueExists(value.key, value.name)) return;
  environment.SetRegistryDword(value.key, value.name, kLocalDevicesValue);
}

std::u16string NewTempFileName(LaunchEnvironment& environment) {
  std::u16string directory = environment.TempDirectory();
  if (!directory.empty() && directory.back() != u'\\') directory += u'\\';
  std::uint32_t number = environment.TickCount() + environment.TempNames().Take();
  std::u16string path = directory + LowerHex(number) + u".tmp";
  while (environment.FileExists(path)) {
    ++number;
    path = directory + LowerHex(number) + u".tmp";
  }
  return path;
}

std::u16string ClientCommandLine(std::u16string_view profilePath, const LaunchOptions& options) {
  std::u16string commandLine = u"mstsc.exe \"";
  commandLine += profilePath;
  commandLine += u"\" ";
  if (options.forceAdmin) commandLine += u"/admin ";
  if (options.smallScreen) commandLine += u"/w:1440 /h:900 ";
  if (options.fullScreen) commandLine += u"/f ";
  return commandLine;
}

LaunchResult ConnectSelected(LaunchEnvironment& environment, const ServerList& servers,
                             int selectedEntryNumber, const LaunchOptions& options) {
  const ServerEntry* selected = EntryByNumber(servers, selectedEntryNumber);
  if (selected == nullptr) return LaunchResult::NoSelection;
  if (HasControlByteIn(selected->host, selected->port, selected->account)) {
    return LaunchResult::IllegalCharacters;
  }
  const std::u16string profilePath = NewTempFileName(environment);
  const ServerEntry entry = *selected;
  std::optional<std::string> passwordValue;
  if (!entry.password.empty()) passwordValue = ProtectPasswordHex(environment, entry.password);
  WriteProfileAndStart(environment, profilePath, entry.host, entry.port, entry.account,
                       passwordValue, options);
  return LaunchResult::Started;
}

LaunchResult ConnectTemporary(LaunchEnvironment& environment, const TemporaryLogin& login,
                              const LaunchOptions& options) {
  if (HasControlByteIn(login.host, login.port, login.account)) {
    return LaunchResult::IllegalCharacters;
  }
  const std::u16string profilePath = NewTempFileName(environment);
  WriteProfileAndStart(environment, profilePath, login.host, login.port, login.account,
                       ProtectPasswordHex(environment, login.password), options);
  return LaunchResult::Started;
}

}  // namespace rdc
