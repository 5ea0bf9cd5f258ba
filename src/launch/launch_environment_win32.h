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
  // One counter for the whole process, whichever environment asks.
  TempNameCounter& TempNames() override;
  bool FileExists(const std::u16string& path) override;
  bool WriteWholeFile(const std::u16string& path, std::string_view bytes) override;
  bool RegistryValueExists(const std::string& key, const std::string& name) override;
  bool SetRegistryDword(const std::string& key, const std::string& name,
                        std::uint32_t value) override;
  bool StartProcess(const std::u16string& commandLine) override;
};

}  // namespace rdc
