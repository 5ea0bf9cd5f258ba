// The per-user settings in the registry (HKEY_CURRENT_USER) or in memory.
#include "ui/user_settings_win32.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "model/recent_servers.h"
#include "os/owners_win32.h"
#include "text/text_win32.h"

namespace rdc {
namespace {

constexpr wchar_t kPlacementValue[] = L"ManagerPlacement";
constexpr wchar_t kRecentServersValue[] = L"RecentServers";

// The keys a recent list keeps: at most the limit, none empty (a list of
// strings ends at its first empty one).
std::vector<std::string> KeptRecentKeys(std::span<const std::string> keys) {
  std::vector<std::string> kept;
  for (const std::string& key : keys) {
    if (kept.size() == kRecentServersKept) break;
    if (!key.empty()) kept.push_back(key);
  }
  return kept;
}

WINDOWPLACEMENT WithLength(WINDOWPLACEMENT placement) {
  placement.length = sizeof(placement);
  return placement;
}

// Writes one value, creating the key when it is missing; a failure is dropped.
void SetValue(const std::wstring& keyPath, const wchar_t* name, DWORD type, const void* data,
              DWORD size) {
  UniqueKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      key.receive(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

}  // namespace

RegistryUserSettings::RegistryUserSettings(std::wstring keyPath) : keyPath_(std::move(keyPath)) {}

std::optional<WINDOWPLACEMENT> RegistryUserSettings::ManagerPlacement() const {
  WINDOWPLACEMENT placement{};
  DWORD size = sizeof(placement);
  // A longer value fails with ERROR_MORE_DATA; a shorter one reads fewer bytes.
  if (RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kPlacementValue, RRF_RT_REG_BINARY, nullptr,
                   &placement, &size) != ERROR_SUCCESS ||
      size != sizeof(placement))
    return std::nullopt;
  return placement;
}

void RegistryUserSettings::SaveManagerPlacement(const WINDOWPLACEMENT& placement) {
  const WINDOWPLACEMENT saved = WithLength(placement);
  SetValue(keyPath_, kPlacementValue, REG_BINARY, &saved, sizeof(saved));
}

std::vector<std::string> RegistryUserSettings::RecentServers() const {
  std::wstring strings;
  LSTATUS status = ERROR_MORE_DATA;
  DWORD size = 0;
  // The value may grow between asking its size and reading it: ask again then.
  while (status == ERROR_MORE_DATA) {
    status = RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kRecentServersValue,
                          RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &size);
    if (status != ERROR_SUCCESS) return {};
    strings.assign(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(strings.size() * sizeof(wchar_t));
    status = RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kRecentServersValue,
                          RRF_RT_REG_MULTI_SZ, nullptr, strings.data(), &size);
  }
  if (status != ERROR_SUCCESS) return {};
  strings.resize(size / sizeof(wchar_t));

  std::vector<std::string> keys;
  std::wstring_view rest = strings;
  while (keys.size() < kRecentServersKept) {
    const std::wstring_view key = rest.substr(0, rest.find(L'\0'));
    if (key.empty()) break;  // the list's end
    keys.push_back(GbkFromWide(key));
    rest.remove_prefix(std::min(rest.size(), key.size() + 1));
  }
  return keys;
}

void RegistryUserSettings::SaveRecentServers(std::span<const std::string> keys) {
  std::wstring strings;
  for (const std::string& key : KeptRecentKeys(keys)) {
    strings += WideFromGbk(key);
    strings += L'\0';
  }
  strings += L'\0';
  SetValue(keyPath_, kRecentServersValue, REG_MULTI_SZ, strings.data(),
           static_cast<DWORD>(strings.size() * sizeof(wchar_t)));
}

void MemoryUserSettings::SaveManagerPlacement(const WINDOWPLACEMENT& placement) {
  placement_ = WithLength(placement);
}

void MemoryUserSettings::SaveRecentServers(std::span<const std::string> keys) {
  recent_ = KeptRecentKeys(keys);
}

UserSettings& RunOnlyUserSettings() {
  static MemoryUserSettings settings;
  return settings;
}

bool IsOnExistingMonitor(const WINDOWPLACEMENT& placement) {
  return MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace rdc
