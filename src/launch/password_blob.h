// The password line's value: the password, widened and padded to a fixed
// block, protected for the current user, written as hexadecimal text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rdc {

// What the password text needs from the system.
class PasswordProtection {
 public:
  virtual ~PasswordProtection() = default;
  // The GBK (code page 936) text as UTF-16 up to and including its terminating
  // NUL unit; empty when the conversion fails.
  virtual std::u16string Utf16WithTerminator(const std::string& gbk) = 0;
  // The blob that protects `data` for the current user, with `description`
  // stored in it, no extra entropy and no flags; empty when protection fails.
  virtual std::string Protect(std::string_view data, std::u16string_view description) = 0;
};

// The GBK text as UTF-16, without the terminator.
std::u16string Utf16Of(PasswordProtection& conversion, std::string_view gbk);

inline constexpr std::size_t kPasswordBlockSize = 512;
inline constexpr std::u16string_view kPasswordDescription = u"psw";

// The protection input: the UTF-16LE bytes of `wide` at the start of 512 zero
// bytes; a longer text is cut to its first 512 bytes (losing its terminator).
std::string PasswordBlock(std::u16string_view wide);

// Two upper-case hexadecimal digits per byte, then one extra "0".
std::string BlobHex(std::string_view blob);

// The hexadecimal text of the protected password; "0" when protection fails.
std::string ProtectPasswordHex(PasswordProtection& protection, const std::string& password);

}  // namespace rdc
