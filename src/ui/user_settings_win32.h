// What the server manager remembers for each Windows user, apart from ms.ini
// (which a team may share): where its window was, and the servers last
// connected to.
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
  // The servers' keys (GBK), the newest first.
  virtual std::vector<std::string> RecentServers() const = 0;
  virtual void SaveRecentServers(std::span<const std::string> keys) = 0;
};

// The settings under a key of HKEY_CURRENT_USER. A missing key or value, or a
// value of the wrong type or size, is no setting; a failed write loses only
// that setting. Neither ever shows the user anything.
class RegistryUserSettings : public UserSettings {
 public:
  explicit RegistryUserSettings(std::wstring keyPath = L"Software\\rdconnect");

  std::optional<WINDOWPLACEMENT> ManagerPlacement() const override;
  void SaveManagerPlacement(const WINDOWPLACEMENT& placement) override;
  std::vector<std::string> RecentServers() const override;
  void SaveRecentServers(std::span<const std::string> keys) override;

 private:
  std::wstring keyPath_;
};

// Settings held in memory alone.
class MemoryUserSettings : public UserSettings {
 public:
  std::optional<WINDOWPLACEMENT> ManagerPlacement() const override { return placement_; }
  void SaveManagerPlacement(const WINDOWPLACEMENT& placement) override;
  std::vector<std::string> RecentServers() const override { return recent_; }
  void SaveRecentServers(std::span<const std::string> keys) override;

 private:
  std::optional<WINDOWPLACEMENT> placement_;
  std::vector<std::string> recent_;
};

// Whether the placement's normal rectangle lies on a monitor there is now
// (a placement saved on a monitor since removed would open the window out of sight).
bool IsOnExistingMonitor(const WINDOWPLACEMENT& placement);

// Settings kept in memory for the whole run: a window handed none keeps its own here.
UserSettings& RunOnlyUserSettings();

}  // namespace rdc
