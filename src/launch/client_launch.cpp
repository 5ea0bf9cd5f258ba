// The two ways of connecting and the steps they share.
#include "launch/client_launch.h"

#include <optional>

#include "launch/profile.h"
#include "model/server_address.h"
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

// A profile name is tried against so many taken names at most.
constexpr int kProfileNameTries = 1000;

// Writes the profile, ensures the registry value and starts the client. Whether
// the profile and the registry value were written is deliberately not
// examined: the client is started all the same. A client that cannot be
// started is reported, and its profile deleted.
LaunchOutcome WriteProfileAndStart(LaunchEnvironment& environment, std::string_view host,
                                   std::string_view port, std::string_view account,
                                   const std::optional<std::string>& passwordValue,
                                   const LaunchOptions& options,
                                   const ConnectionSettings& settings = {}) {
  const ProfileFile profile = WriteNewProfile(
      environment,
      ComposeProfile(account, host, port, passwordValue, options.shareDisks, settings));
  EnsureLocalDevicesValue(environment, host);
  const std::uint32_t error = environment.StartProcess(
      ClientCommandLine(profile.path, LaunchOptionsFor(options, settings)));
  if (error == 0) return {};
  if (profile.created) {
    environment.RemoveFile(profile.path);
    environment.Profiles().Forget(profile.path);
  }
  return {LaunchResult::ClientNotStarted, error};
}

}  // namespace

LaunchOptions LaunchOptionsOf(const ConfigOptions& options, bool shareDisks) {
  return {options.forceAdmin, !options.fullScreen, options.fullScreen, shareDisks};
}

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

ProfileFile WriteNewProfile(LaunchEnvironment& environment, std::string_view profile) {
  std::u16string directory = environment.TempDirectory();
  if (!directory.empty() && directory.back() != u'\\') directory += u'\\';
  std::uint32_t number = environment.TickCount() + environment.Profiles().TakeNumber();
  ProfileFile file;
  for (int tries = 0; tries < kProfileNameTries; ++tries, ++number) {
    file.path = directory + LowerHex(number) + u".tmp";
    const NewFile made = environment.CreateNewFile(file.path, profile);
    if (made == NewFile::NameTaken) continue;
    file.created = made == NewFile::Created;
    if (file.created) environment.Profiles().Add(file.path, environment.TickCount());
    break;
  }
  return file;
}

void DeleteRunProfiles(LaunchEnvironment& environment) {
  RunProfiles& profiles = environment.Profiles();
  for (const RunProfiles::Created& profile : profiles.created()) {
    // Unsigned: the age stays right across the wrap of the 32-bit tick count.
    const std::uint32_t age = environment.TickCount() - profile.tick;
    if (age < kProfileReadMs) environment.Wait(kProfileReadMs - age);
    environment.RemoveFile(profile.path);
  }
  profiles.Clear();
}

namespace {

// The switches of the main window's options, each ending in a space.
void AppendOptionSwitches(std::u16string& commandLine, const LaunchOptions& options) {
  if (options.forceAdmin) commandLine += u"/admin ";
  if (options.smallScreen) commandLine += u"/w:1440 /h:900 ";
  if (options.fullScreen) commandLine += u"/f ";
}

}  // namespace

std::u16string ClientCommandLine(std::u16string_view profilePath, const LaunchOptions& options) {
  std::u16string commandLine = u"mstsc.exe \"";
  commandLine += profilePath;
  commandLine += u"\" ";
  AppendOptionSwitches(commandLine, options);
  return commandLine;
}

LaunchOptions LaunchOptionsFor(const LaunchOptions& mainWindow,
                               const ConnectionSettings& settings) {
  LaunchOptions options = mainWindow;
  if (settings.forceAdmin != Toggle::Follow) options.forceAdmin = settings.forceAdmin == Toggle::On;
  if (settings.display != DisplayMode::Follow) {
    options.smallScreen = false;
    options.fullScreen = false;
  }
  return options;
}

std::optional<std::u16string> CommandLineStart(std::u16string_view address,
                                               const ConnectionSettings& settings,
                                               const LaunchOptions& mainWindow) {
  for (char16_t unit : address) {
    if (unit < 0x20 || unit == u' ' || unit == u'"') return std::nullopt;
  }
  if (address.empty()) return std::nullopt;
  const LaunchOptions options = LaunchOptionsFor(mainWindow, settings);
  std::u16string commandLine = u"mstsc.exe /v:";
  commandLine += address;
  commandLine += u' ';
  AppendOptionSwitches(commandLine, options);
  switch (settings.display) {
    case DisplayMode::Follow: break;
    case DisplayMode::Small: commandLine += u"/w:1440 /h:900 "; break;
    case DisplayMode::Full: commandLine += u"/f "; break;
    case DisplayMode::Custom: {
      const std::string size = "/w:" + std::to_string(settings.customWidth) +
                               " /h:" + std::to_string(settings.customHeight) + " ";
      commandLine.append(size.begin(), size.end());
      break;
    }
    case DisplayMode::AllMonitors:
    case DisplayMode::ChosenMonitors: commandLine += u"/multimon "; break;
  }
  return commandLine;
}

namespace {

// The start without a connection file.
LaunchOutcome StartWithoutProfile(LaunchEnvironment& environment, const ServerEntry& entry,
                                  const ConnectionSettings& settings,
                                  const LaunchOptions& options) {
  const std::optional<std::u16string> commandLine = CommandLineStart(
      Utf16Of(environment, HostWithPort(entry.host, entry.port)), settings, options);
  if (!commandLine) return {LaunchResult::IllegalCharacters};
  EnsureLocalDevicesValue(environment, entry.host);
  if (entry.password.empty()) {
    const std::uint32_t error = environment.StartProcess(*commandLine);
    if (error == 0) return {};
    return {LaunchResult::ClientNotStarted, error};
  }
  CredentialLoans& loans = environment.Loans();
  const StoredCredential credential =
      LentCredential(Utf16Of(environment, entry.host), Utf16Of(environment, entry.account),
                     Utf16Of(environment, entry.password));
  if (const std::uint32_t error = loans.Lend(credential); error != 0) {
    return {LaunchResult::CredentialNotLent, error};
  }
  const std::u16string target = credential.target;
  const std::uint32_t error =
      environment.StartWatchedProcess(*commandLine, [&loans, target] { loans.GiveBack(target); });
  if (error == 0) return {};
  loans.GiveBack(target);
  return {LaunchResult::ClientNotStarted, error};
}

}  // namespace

LaunchOutcome ConnectSelected(LaunchEnvironment& environment, const ServerList& servers,
                              int selectedEntryNumber, const LaunchOptions& options) {
  const ServerEntry* selected = EntryByNumber(servers, selectedEntryNumber);
  if (selected == nullptr) return {LaunchResult::NoSelection};
  if (HasControlByteIn(selected->host, selected->port, selected->account)) {
    return {LaunchResult::IllegalCharacters};
  }
  const ServerEntry entry = *selected;
  const ConnectionSettings settings = ParseSettingsField(entry.settings);
  if (!HasSoundTexts(settings)) return {LaunchResult::IllegalCharacters};
  if (settings.start == StartMode::CommandLine) {
    return StartWithoutProfile(environment, entry, settings, options);
  }
  std::optional<std::string> passwordValue;
  if (!entry.password.empty()) passwordValue = ProtectPasswordHex(environment, entry.password);
  return WriteProfileAndStart(environment, entry.host, entry.port, entry.account, passwordValue,
                              options, settings);
}

LaunchOutcome ConnectTemporary(LaunchEnvironment& environment, const TemporaryLogin& login,
                               const LaunchOptions& options) {
  if (HasControlByteIn(login.host, login.port, login.account)) {
    return {LaunchResult::IllegalCharacters};
  }
  return WriteProfileAndStart(environment, login.host, login.port, login.account,
                              ProtectPasswordHex(environment, login.password), options);
}

}  // namespace rdc
