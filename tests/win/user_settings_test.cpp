// The per-user settings in a registry key of the test's own and in memory,
// and whether a saved placement is on a monitor there is.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "text/text_win32.h"
#include "ui/user_settings_win32.h"

namespace rdc {
namespace {

class UserSettingsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, keyPath_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, kParent);  // when no other test's key is in it
  }

  static constexpr wchar_t kParent[] = L"Software\\rdconnect-tests";
  const std::wstring keyPath_ =
      std::wstring(kParent) + L"\\user-settings-" + std::to_wstring(GetCurrentProcessId());
};

TEST_F(UserSettingsTest, RegistryAndMemoryKeepThePlacementAndTheFirstTwentyRecentServers) {
  std::vector<std::string> keys;
  keys.reserve(23);
  for (int i = 0; i < 22; ++i) keys.push_back(GbkFromWide(L"生产服务器" + std::to_wstring(i)));
  keys.insert(keys.begin() + 1, "");  // no key: not kept
  std::vector<std::string> kept{keys.front()};
  kept.insert(kept.end(), keys.begin() + 2, keys.begin() + 21);
  WINDOWPLACEMENT saved{};  // its length left 0: a save sets it
  saved.showCmd = SW_SHOWMAXIMIZED;
  saved.ptMaxPosition = {-1, -1};
  saved.rcNormalPosition = {10, 20, 630, 500};

  std::unique_ptr<UserSettings> settings[] = {std::make_unique<RegistryUserSettings>(keyPath_),
                                              std::make_unique<MemoryUserSettings>()};
  for (auto& s : settings) {
    EXPECT_FALSE(s->ManagerPlacement().has_value());
    EXPECT_EQ(s->RecentServers(), std::vector<std::string>{});
    s->SaveManagerPlacement(saved);
    s->SaveRecentServers(keys);
    const std::optional<WINDOWPLACEMENT> read = s->ManagerPlacement();
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->length, sizeof(WINDOWPLACEMENT));
    EXPECT_EQ(std::memcmp(&read->flags, &saved.flags, sizeof(saved) - sizeof(UINT)), 0);
    EXPECT_EQ(s->RecentServers(), kept);
    s->SaveRecentServers({});
    EXPECT_EQ(s->RecentServers(), std::vector<std::string>{});
  }
}

TEST_F(UserSettingsTest, RecentServersAreUtf16StringsAndAValueOfTheWrongSizeOrTypeIsNone) {
  RegistryUserSettings settings(keyPath_);
  settings.SaveManagerPlacement(WINDOWPLACEMENT{});
  settings.SaveRecentServers(std::vector<std::string>{GbkFromWide(L"生产"), "a"});
  wchar_t strings[8] = {};
  DWORD size = sizeof(strings);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), L"RecentServers", RRF_RT_REG_MULTI_SZ,
                         nullptr, strings, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(strings, size / sizeof(wchar_t)), std::wstring(L"生产\0a\0\0", 6));

  const DWORD number = 7;
  const BYTE longer[sizeof(WINDOWPLACEMENT) + 1] = {};
  struct Case {
    const wchar_t* name;
    DWORD type;
    const void* data;
    DWORD size;
  };
  for (const Case& c : {Case{L"ManagerPlacement", REG_BINARY, longer, sizeof(longer)},
                        {L"ManagerPlacement", REG_BINARY, longer, sizeof(WINDOWPLACEMENT) - 1},
                        {L"ManagerPlacement", REG_DWORD, &number, sizeof(number)},
                        {L"RecentServers", REG_SZ, L"a", 4}}) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), c.name, c.type, c.data, c.size),
              ERROR_SUCCESS);
    const bool read = std::wstring(c.name) == L"RecentServers"
                          ? !settings.RecentServers().empty()
                          : settings.ManagerPlacement().has_value();
    EXPECT_FALSE(read) << c.name << " " << c.size;
  }
}

TEST(IsOnExistingMonitor, IsTrueOnThePrimaryMonitorOnly) {
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  for (auto [normal, on] : {std::pair{RECT{100, 100, 500, 400}, true},
                            {RECT{screen.right - 50, 0, screen.right + 300, 300}, true},
                            {RECT{30000, 30000, 30400, 30300}, false}}) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    placement.rcNormalPosition = normal;
    EXPECT_EQ(IsOnExistingMonitor(placement), on) << normal.left;
  }
}

}  // namespace
}  // namespace rdc
