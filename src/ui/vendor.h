// The vendor's web-site domain and address, shown in the main window's title
// and on its link button.
#pragma once

namespace rdc {

inline constexpr wchar_t kVendorDomain[] = L"tarnwick.example";
inline constexpr wchar_t kVendorAddress[] = L"https://tarnwick.example/";

}  // namespace rdc
