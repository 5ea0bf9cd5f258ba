// Opening a remote-desktop connection: the profile file in the temporary
// directory, the client's per-host registry value, and the client's start.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "launch/credential_loans.h"
#include "launch/password_blob.h"
#include "model/config_file.h"
#include "model/connection_settings.h"
#include "model/server_list.h"

namespace rdc {

// The main window's option states at the moment of connecting.
struct LaunchOptions {
  bool forceAdmin = false;   // "/admin "
  bool smallScreen = false;  // "/w:1440 /h:900 "
  bool fullScreen = false;   // "/f "
  bool shareDisks = false;   // the profile's smart-card and drive lines
};

// The stored options as a connection uses them, with the disks' check box.
LaunchOptions LaunchOptionsOf(const ConfigOptions& options, bool shareDisks);

// The one-off login fields, GBK.
struct TemporaryLogin {
  std::string host;
  std::string port;
  std::string account;
  std::string password;
};

enum class LaunchResult {
  Started,            // profile written, registry value ensured, client started (whether
                      // the profile and the registry value were written is not examined)
  NoSelection,        // no stored server is selected; nothing was done
  IllegalCharacters,  // host, port or account holds a byte below 0x20, or a text of the
                      // server's connection settings is not sound (HasSoundTexts); nothing
                      // was done
  ClientNotStarted,   // the client could not be started; its profile is deleted again
                      // (its lent credential given back)
  CredentialNotLent,  // a start without a connection file: the password could not be
                      // written as the computer's saved credential; nothing was started
};

// What a connection came to, with the system's error code when the client
// could not be started.
struct LaunchOutcome {
  LaunchResult result = LaunchResult::Started;
  std::uint32_t clientError = 0;
};

// The profile files of this run: the number added to the tick count for each
// new file name (it grows by one per name), and the files the run created,
// oldest first, each with the tick count of its creation.
class RunProfiles {
 public:
  struct Created {
    std::u16string path;
    std::uint32_t tick;
  };

  std::uint32_t TakeNumber() { return next_++; }
  void Add(std::u16string path, std::uint32_t tick) { created_.push_back({std::move(path), tick}); }
  // Forgets a file the run has deleted itself, so it is never touched again.
  void Forget(const std::u16string& path) {
    std::erase_if(created_, [&](const Created& file) { return file.path == path; });
  }
  const std::vector<Created>& created() const { return created_; }
  void Clear() { created_.clear(); }

 private:
  std::uint32_t next_ = 0;
  std::vector<Created> created_;
};

// What creating a new file came to.
enum class NewFile {
  Created,    // created and written whole
  NameTaken,  // a file or folder of that name exists; nothing was touched
  Failed,     // not created, or created but not written whole and deleted again
};

// What a connection needs from the system. Paths and the command line are
// UTF-16, since the temporary directory may hold any character of the user's
// name; registry keys and value names are GBK, as the host is.
class LaunchEnvironment : public PasswordProtection {
 public:
  // The user's temporary directory, "" when it cannot be had.
  virtual std::u16string TempDirectory() = 0;
  virtual std::uint32_t TickCount() = 0;
  virtual void Wait(std::uint32_t milliseconds) = 0;
  virtual RunProfiles& Profiles() = 0;
  // Creates the file only when no file of that name exists, unshared while
  // open, and writes `bytes`.
  virtual NewFile CreateNewFile(const std::u16string& path, std::string_view bytes) = 0;
  virtual void RemoveFile(const std::u16string& path) = 0;
  // Under HKEY_CURRENT_USER. A value exists whatever its type and data.
  virtual bool RegistryValueExists(const std::string& key, const std::string& name) = 0;
  // Under HKEY_CURRENT_USER; creates the key when it is missing.
  virtual bool SetRegistryDword(const std::string& key, const std::string& name,
                                std::uint32_t value) = 0;
  // Starts the command line (the program found by the system's search rules),
  // waits at most 1000 ms for it to be idle for input, and lets it run.
  // 0 when it started, else the system's error code.
  virtual std::uint32_t StartProcess(const std::u16string& commandLine) = 0;
  // Starts the command line as StartProcess does; once that process has
  // ended, `ended` runs, on another thread. It never runs for a process that
  // did not start.
  virtual std::uint32_t StartWatchedProcess(const std::u16string& commandLine,
                                            std::function<void()> ended) = 0;
  // The credentials lent to this run's clients; they live as long as the
  // processes watched for them may end.
  virtual CredentialLoans& Loans() = 0;
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

// A profile file: its path, and whether this run created it.
struct ProfileFile {
  std::u16string path;
  bool created = false;
};

// Writes `profile` to a new file in the temporary directory, named by the tick
// count plus the run's counter in lower-case hexadecimal with ".tmp", counted
// up past names that are taken, and records it among the run's profiles.
ProfileFile WriteNewProfile(LaunchEnvironment& environment, std::string_view profile);

// How old a profile must be before it is deleted: the client has read it by then.
inline constexpr std::uint32_t kProfileReadMs = 10000;

// Deletes the profiles this run created, each once it is kProfileReadMs old
// (waiting for that, so at most kProfileReadMs for the youngest); no other file.
void DeleteRunProfiles(LaunchEnvironment& environment);

// "mstsc.exe \"<path>\" " followed by the chosen options, each ending in a space.
std::u16string ClientCommandLine(std::u16string_view profilePath, const LaunchOptions& options);

// The main window's options as a connection file start of a server with
// these settings uses them: its own forced login where it has one, and no
// display switch when it has a display of its own (the profile's lines
// give it). Settings that all follow leave the options as they are.
LaunchOptions LaunchOptionsFor(const LaunchOptions& mainWindow, const ConnectionSettings& settings);

// The command line of the start without a connection file: "mstsc.exe
// /v:<address> ", then "/admin " for forced login, then the display's
// switches ("/w:1440 /h:900 ", "/f ", "/w:W /h:H ", "/multimon "), the
// server's own or the main window's, each ending in a space. The command
// line has no switch for chosen monitors: they start on all monitors. It has
// none for the local resources and the gateway either: the client uses its
// own settings for them. `address` is HostWithPort's text in UTF-16; one
// holding a space, a quotation mark or a character below 0x20 could be read
// as more than the address, and gives none.
std::optional<std::u16string> CommandLineStart(std::u16string_view address,
                                               const ConnectionSettings& settings,
                                               const LaunchOptions& mainWindow);

// Connects to entry number `selectedEntryNumber` (1-based; 0 or less, or past
// the end, means no selection), its connection settings in its profile and
// on the command line (LaunchOptionsFor). A server whose settings ask for
// the start without a connection file is started with CommandLineStart
// instead, its password (when it has one) lent to the client as the saved
// credential of its host (LentCredential) just before the start and given
// back when that client ends.
LaunchOutcome ConnectSelected(LaunchEnvironment& environment, const ServerList& servers,
                              int selectedEntryNumber, const LaunchOptions& options);

// Connects to the one-off login; its password line is always written, also
// for an empty password.
LaunchOutcome ConnectTemporary(LaunchEnvironment& environment, const TemporaryLogin& login,
                               const LaunchOptions& options);

}  // namespace rdc
