// Texts of other programs' files: decoding them to UTF-16, the base64 and
// hexadecimal forms their secrets are written in, and the small text rules
// the readers share.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rdc {

// The system's ANSI code page, for text files written in it.
class AnsiDecoder {
 public:
  virtual ~AnsiDecoder() = default;
  virtual std::u16string FromAnsi(std::string_view bytes) = 0;
};

// A text file's content: UTF-16 LE or BE after its byte-order mark, UTF-8
// after its mark or when the bytes are valid UTF-8 without one, else the ANSI
// code page.
std::u16string DecodeTextFile(std::string_view bytes, AnsiDecoder& ansi);

// Whether the file's first character other than white space is "<" (after a
// UTF-16 LE, UTF-16 BE or UTF-8 byte-order mark, when there is one).
bool BeginsLikeXml(std::string_view bytes);

// Nothing when the bytes are not well-formed UTF-8.
std::optional<std::u16string> Utf16FromUtf8(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view utf16);

// UTF-16 LE bytes up to the first NUL unit (all of them when there is none);
// an odd last byte is dropped.
std::u16string Utf16FromLittleEndianBytes(std::string_view bytes);

// Base64 with white space ignored; nothing when another character, a wrong
// padding or a wrong length is found.
std::optional<std::string> BytesFromBase64(std::u16string_view text);

// Pairs of hexadecimal digits (either case); a lone last digit is ignored
// (this program's own connection files end their blob with one); nothing when
// another character is found.
std::optional<std::string> BytesFromHex(std::u16string_view text);

// Without the spaces, tabs and line breaks at either end.
std::u16string_view Trimmed(std::u16string_view text);

// Equal with ASCII letters compared without case.
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);

// ASCII letters in lower case.
std::u16string LowerAscii(std::u16string_view text);

}  // namespace rdc
