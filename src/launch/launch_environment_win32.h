// The launch environment of the real program: temporary directory, files,
// registry, data protection and process start through the Windows API.
#pragma once

#include <windows.h>

#include "launch/client_launch.h"

namespace rdc {

class Win32LaunchEnvironment : public LaunchEnvironment {
 public:
  std::u16string Utf16WithTerminator(const std::string& gbk) override;
  std::string Protect(std::string_view data, std::u16string_view description) override;
  std::u16string TempDirectory() override;
  std::uint32_t TickCount() override;
  void Wait(std::uint32_t milliseconds) override;
  // One record for the whole process, whichever environment asks.
  RunProfiles& Profiles() override;
  NewFile CreateNewFile(const std::u16string& path, std::string_view bytes) override;
  void RemoveFile(const std::u16string& path) override;
  bool RegistryValueExists(const std::string& key, const std::string& name) override;
  bool SetRegistryDword(const std::string& key, const std::string& name,
                        std::uint32_t value) override;
  std::uint32_t StartProcess(const std::u16string& commandLine) override;
  std::uint32_t StartWatchedProcess(const std::u16string& commandLine,
                                    std::function<void()> ended) override;
  // One record for the whole process, over the system's credentials; it is
  // never destroyed, since a client may end while the program ends.
  CredentialLoans& Loans() override;
};

// The current user's generic credentials (CredReadW, CredWriteW, CredDeleteW).
class Win32CredentialStore : public CredentialStore {
 public:
  std::optional<StoredCredential> Read(const std::u16string& target) override;
  std::uint32_t Write(const StoredCredential& credential) override;
  void Remove(const std::u16string& target) override;
};

}  // namespace rdc
