// The password line's value: block, protection, hexadecimal text.
#include "launch/password_blob.h"

#include <algorithm>

namespace rdc {

std::string PasswordBlock(std::u16string_view wide) {
  std::string block(kPasswordBlockSize, '\0');
  const std::size_t units = std::min(wide.size(), kPasswordBlockSize / 2);
  for (std::size_t i = 0; i < units; ++i) {
    block[2 * i] = static_cast<char>(wide[i] & 0xFF);
    block[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return block;
}

std::string BlobHex(std::string_view blob) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(2 * blob.size() + 1);
  for (const char byte : blob) {
    const auto value = static_cast<unsigned char>(byte);
    hex += kDigits[value >> 4];
    hex += kDigits[value & 0x0F];
  }
  hex += '0';
  return hex;
}

std::string ProtectPasswordHex(PasswordProtection& protection, const std::string& password) {
  const std::string block = PasswordBlock(protection.Utf16WithTerminator(password));
  return BlobHex(protection.Protect(block, kPasswordDescription));
}

std::u16string Utf16Of(PasswordProtection& conversion, std::string_view gbk) {
  std::u16string text = conversion.Utf16WithTerminator(std::string(gbk));
  if (!text.empty() && text.back() == u'\0') text.pop_back();
  return text;
}

}  // namespace rdc
