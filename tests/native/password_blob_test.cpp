// Tests of the password line's value: the hexadecimal form, the fixed-size
// protection input, and what reaches the protection call.
#include "launch/password_blob.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace rdc {
namespace {

TEST(PasswordBlobTest, HexHasTwoUpperCaseDigitsPerByteThenAnExtraZero) {
  EXPECT_EQ(BlobHex(""), "0");
  EXPECT_EQ(BlobHex(std::string(1, '\x00')), "000");
  EXPECT_EQ(BlobHex("\x0A"), "0A0");
  EXPECT_EQ(BlobHex("\xFF"), "FF0");
  EXPECT_EQ(BlobHex(std::string("\x00\x0A\xFF\x10\xab\x5c", 6)), "000AFF10AB5C0");

  // Every byte value, against the C library's own two-digit upper-case form.
  std::string everyByte;
  std::string expected;
  for (int value = 0; value < 256; ++value) {
    everyByte += static_cast<char>(value);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", value);
    expected += digits;
  }
  const std::string hex = BlobHex(everyByte);
  EXPECT_EQ(hex.size(), 2 * 256 + 1u);
  EXPECT_EQ(hex, expected + "0");
}

TEST(PasswordBlobTest, BlockHoldsTheLittleEndianUnitsThenZerosUpTo512Bytes) {
  // An empty password is its terminator alone: all zero bytes.
  EXPECT_EQ(PasswordBlock(std::u16string(1, u'\0')), std::string(512, '\0'));

  // 密码 and its terminator: 0x5BC6 0x7801 0x0000, low byte first.
  const std::string chinese = PasswordBlock(u"\u5BC6\u7801" + std::u16string(1, u'\0'));
  ASSERT_EQ(chinese.size(), 512u);
  EXPECT_EQ(chinese.substr(0, 6), std::string("\xC6\x5B\x01\x78\x00\x00", 6));
  EXPECT_EQ(chinese.substr(6), std::string(506, '\0'));

  // 255 units and the terminator fill the block exactly.
  const std::string full = PasswordBlock(std::u16string(255, u'\x4142') + u'\0');
  ASSERT_EQ(full.size(), 512u);
  std::string expectedFull;
  for (int n = 0; n < 255; ++n) expectedFull += "\x42\x41";
  EXPECT_EQ(full, expectedFull + std::string(2, '\0'));

  // 256 units: cut to the block, the terminator is lost.
  const std::string cut = PasswordBlock(std::u16string(256, u'\x4142') + u'\0');
  ASSERT_EQ(cut.size(), 512u);
  EXPECT_EQ(cut, expectedFull + "\x42\x41");
  EXPECT_EQ(PasswordBlock(std::u16string(300, u'\x4142')), cut);
}

// A stand-in for the system: converts byte by byte (enough for ASCII) and
// answers protection with a fixed blob, recording what it was given.
class FakeProtection : public PasswordProtection {
 public:
  std::u16string Utf16WithTerminator(const std::string& gbk) override {
    converted = gbk;
    std::u16string wide(gbk.begin(), gbk.end());
    return wide + u'\0';
  }
  std::string Protect(std::string_view data, std::u16string_view description) override {
    protectedData = data;
    protectedDescription = description;
    return blob;
  }

  std::string blob = std::string("\x01\xA0\x00\xFF", 4);
  std::string converted;
  std::string protectedData;
  std::u16string protectedDescription;
};

TEST(PasswordBlobTest, ProtectsTheBlockWithDescriptionPswAndWritesTheBlobAsHex) {
  FakeProtection protection;
  EXPECT_EQ(ProtectPasswordHex(protection, "Secret1"), "01A000FF0");
  EXPECT_EQ(protection.converted, "Secret1");
  EXPECT_EQ(protection.protectedData, PasswordBlock(u"Secret1" + std::u16string(1, u'\0')));
  EXPECT_EQ(protection.protectedDescription, u"psw");

  // An empty password is protected too: its block is all zeros.
  EXPECT_EQ(ProtectPasswordHex(protection, ""), "01A000FF0");
  EXPECT_EQ(protection.protectedData, std::string(512, '\0'));
}

TEST(PasswordBlobTest, FailedProtectionOrConversionStillGivesAValue) {
  FakeProtection failing;
  failing.blob.clear();
  EXPECT_EQ(ProtectPasswordHex(failing, "Secret1"), "0");

  // A conversion that yields nothing leaves the block all zeros.
  class FailingConversion : public FakeProtection {
    std::u16string Utf16WithTerminator(const std::string&) override { return {}; }
  } noText;
  EXPECT_EQ(ProtectPasswordHex(noText, "Secret1"), "01A000FF0");
  EXPECT_EQ(noText.protectedData, std::string(512, '\0'));
}

}  // namespace
}  // namespace rdc
