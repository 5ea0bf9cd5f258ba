// What the program keeps per Windows user, never in the shared ms.ini.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace rdc {

class UserSettings {
 public:
  virtual ~UserSettings() = default;
  virtual std::optional<WINDOWPLACEMENT> ManagerPlacement() const = 0;
  virtual void SaveManagerPlacement(const WINDOWPLACEMENT& placement) = 0;
  virtual std::vector<std::string> RecentServers() const = 0;  // GBK keys, newest first
  virtual void SaveRecentServers(std::span<const std::string> keys) = 0;
};

bool IsOnExistingMonitor(const WINDOWPLACEMENT& placement);
UserSettings& RunOnlyUserSettings();

}  // namespace rdc
