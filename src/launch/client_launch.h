// Opening a remote-desktop connection: the profile file in the temporary
// directory, the client's per-host registry value, and the client's start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "launch/password_blob.h"
#include "model/server_list.h"

namespace rdc {

// The main window's option states at the moment of connecting.
struct LaunchOptions {
  bool forceAdmin = false;   // "/admin "
  bool smallScreen = false;  // "/w:1440 /h:900 "
  bool fullScreen = false;   // "/f "
  bool shareDisks = false;   // the profile's smart-card and drive lines
};

// The one-off login fields, GBK.
struct TemporaryLogin {
  std::string host;
  std::string port;
  std::string account;
  std::string password;
};

enum class LaunchResult {
  Started,            // profile written, registry value ensured, client started
                      // (the outcome of each of these system steps is not examined)
  NoSelection,        // no stored server is selected; nothing was done
  IllegalCharacters,  // host, port or account holds a byte below 0x20; nothing was done
};

// The number added to the tick count for each new profile file name; it lives
// as long as the process and grows by one per name.
class TempNameCounter {
 public:
  std::uint32_t Take() { return next_++; }

 private:
  std::uint32_t next_ = 0;
};

// What a connection needs from the system. Paths and the command line are
// UTF-16, since the temporary directory may hold any character of the user's
// name; registry keys and value names are GBK, as the host is.
class LaunchEnvironment : public PasswordProtection {
 public:
  // The user's temporary directory, "" when it cannot be had.
  virtual std::u16string TempDirectory() = 0;
  virtual std::uint32_t TickCount() = 0;
  virtual TempNameCounter& TempNames() = 0;
  virtual bool FileExists(const std::u16string& path) = 0;
  // Creates or truncates the file, unshared while open, and writes `bytes`.
  virtual bool WriteWholeFile(const std::u16string& path, std::string_view bytes) = 0;
  // Under HKEY_CURRENT_USER. A value exists whatever its type and data.
  virtual bool RegistryValueExists(const std::string& key, const std::string& name) = 0;
  // Under HKEY_CURRENT_USER; creates the key when it is missing.
  virtual bool SetRegistryDword(const std::string& key, const std::string& name,
                                std::uint32_t value) = 0;
  // Starts the command line (the program found by the system's search rules),
  // waits at most 1000 ms for it to be idle for input, and lets it run.
  virtual bool StartProcess(const std::u16string& commandLine) = 0;
};

inline constexpr std::string_view kLocalDevicesKey =
    "Software\\Microsoft\\Terminal Server Client\\LocalDevices";
inline constexpr std::uint32_t kLocalDevicesValue = 76;

// A registry key and the name of a value in it.
struct RegistryValuePath {
  std::string key;
  std::string name;
};

// The key path plus "\" plus the host, split at its last backslash character
// (the second byte of a GBK character never counts as one).
RegistryValuePath LocalDevicesValuePath(std::string_view host);

// Sets the host's value to 76 unless it exists already.
void EnsureLocalDevicesValue(LaunchEnvironment& environment, std::string_view host);

// A path in the temporary directory, named by the tick count plus the counter
// in lower-case hexadecimal with ".tmp", counted up past existing files.
std::u16string NewTempFileName(LaunchEnvironment& environment);

// "mstsc.exe \"<path>\" " followed by the chosen options, each ending in a space.
std::u16string ClientCommandLine(std::u16string_view profilePath, const LaunchOptions& options);

// Connects to entry number `selectedEntryNumber` (1-based; 0 or less, or past
// the end, means no selection).
LaunchResult ConnectSelected(LaunchEnvironment& environment, const ServerList& servers,
                             int selectedEntryNumber, const LaunchOptions& options);

// Connects to the one-off login; its password line is always written, also
// for an empty password.
LaunchResult ConnectTemporary(LaunchEnvironment& environment, const TemporaryLogin& login,
                              const LaunchOptions& options);

}  // namespace rdc
