// Opening a secret that the system's data protection sealed for the current
// Windows user (the form of passwords in connection files and group files).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rdc {

class DataProtection {
 public:
  virtual ~DataProtection() = default;
  // The bytes sealed in `blob`; nothing when the system cannot open it (sealed
  // for another user or machine, damaged, not a blob at all).
  virtual std::optional<std::string> Unprotect(std::string_view blob) = 0;
};

// The UTF-16 LE password sealed in `blob`, up to its first NUL unit; nothing
// when the blob cannot be opened.
std::optional<std::u16string> UnprotectPassword(DataProtection& protection, std::string_view blob);

}  // namespace rdc
