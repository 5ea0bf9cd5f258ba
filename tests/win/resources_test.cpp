// The resources compiled into the program: the icon sizes Windows picks from
// at every display scaling, and the version information Explorer shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/resources/resource_ids.h"
#include "version.h"

namespace rdc {
namespace {

// The pixel sizes of the pictures an icon resource holds (256 is stored as 0).
std::vector<int> IconSizes(int icon) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found =
      FindResourceW(module, MAKEINTRESOURCEW(icon), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  if (!found) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
  const int count = bytes[4] | bytes[5] << 8;
  std::vector<int> sizes;
  for (int i = 0; i < count; ++i) {
    const int width = bytes[6 + 14 * i];  // each entry is 14 bytes, the width first
    sizes.push_back(width == 0 ? 256 : width);
  }
  return sizes;
}

std::wstring VersionString(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  std::vector<std::uint8_t> info(GetFileVersionInfoSizeW(path, &ignored));
  if (info.empty() || !GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()))
    return L"";
  const std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
  wchar_t* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
    return L"";
  return value;
}

TEST(Resources, IconsHoldAPictureForEveryScaling) {
  EXPECT_EQ(IconSizes(IDI_APP), (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 128, 256}));
  EXPECT_EQ(IconSizes(IDI_LOCK), (std::vector<int>{32, 48, 64}));
}

TEST(Resources, VersionInformationCarriesTheProjectVersion) {
  const std::string text = RDC_VERSION_TEXT;
  const std::wstring version(text.begin(), text.end());
  EXPECT_EQ(VersionString(L"ProductVersion"), version);
  EXPECT_EQ(VersionString(L"FileVersion"), version);
  EXPECT_EQ(VersionString(L"ProductName"), L"rdconnect");
  EXPECT_NE(VersionString(L"LegalCopyright").find(L"Copyright"), std::wstring::npos);
  EXPECT_NE(VersionString(L"FileDescription"), L"");
}

}  // namespace
}  // namespace rdc
