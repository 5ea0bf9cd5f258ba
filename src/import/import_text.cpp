// Decoding and the shared text rules of the importers.
#include "import/import_text.h"

#include <cstdint>

namespace rdc {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool HasUtf16Mark(std::string_view bytes) {
  return bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark);
}

// The UTF-16 unit at `at` of bytes that begin with a UTF-16 byte-order mark
// (the mark tells the byte order).
char16_t Utf16UnitAt(std::string_view bytes, std::size_t at) {
  const auto first = static_cast<unsigned char>(bytes[at]);
  const auto second = static_cast<unsigned char>(bytes[at + 1]);
  return static_cast<char16_t>(bytes.starts_with(kUtf16LeMark) ? first | (second << 8)
                                                               : (first << 8) | second);
}

bool IsWhiteSpace(char16_t unit) {
  return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n';
}

void AppendCodePoint(std::u16string& text, std::uint32_t point) {
  if (point < 0x10000) {
    text += static_cast<char16_t>(point);
  } else {
    point -= 0x10000;
    text += static_cast<char16_t>(0xD800 + (point >> 10));
    text += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
  }
}

void AppendUtf8(std::string& text, std::uint32_t point) {
  if (point < 0x80) {
    text += static_cast<char>(point);
  } else if (point < 0x800) {
    text += static_cast<char>(0xC0 | (point >> 6));
    text += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    text += static_cast<char>(0xE0 | (point >> 12));
    text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (point >> 18));
    text += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (point & 0x3F));
  }
}

int Base64Value(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return unit - u'A';
  if (unit >= u'a' && unit <= u'z') return unit - u'a' + 26;
  if (unit >= u'0' && unit <= u'9') return unit - u'0' + 52;
  if (unit == u'+') return 62;
  if (unit == u'/') return 63;
  return -1;
}

int HexValue(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

}  // namespace

std::u16string DecodeTextFile(std::string_view bytes, AnsiDecoder& ansi) {
  if (HasUtf16Mark(bytes)) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = kUtf16LeMark.size(); i + 1 < bytes.size(); i += 2)
      text += Utf16UnitAt(bytes, i);
    return text;
  }
  const bool marked = bytes.starts_with(kUtf8Mark);
  const std::string_view body = marked ? bytes.substr(kUtf8Mark.size()) : bytes;
  if (std::optional<std::u16string> text = Utf16FromUtf8(body)) return std::move(*text);
  if (marked) {
    // A mark before bytes that are not UTF-8: keep what can be read.
    std::u16string text;
    for (const char byte : body)
      text += static_cast<unsigned char>(byte) < 0x80 ? static_cast<char16_t>(byte) : u'\uFFFD';
    return text;
  }
  return ansi.FromAnsi(bytes);
}

bool BeginsLikeXml(std::string_view bytes) {
  if (HasUtf16Mark(bytes)) {
    for (std::size_t i = kUtf16LeMark.size(); i + 1 < bytes.size(); i += 2) {
      const char16_t unit = Utf16UnitAt(bytes, i);
      if (!IsWhiteSpace(unit)) return unit == u'<';
    }
    return false;
  }
  if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  for (const char byte : bytes)
    if (!IsWhiteSpace(static_cast<unsigned char>(byte))) return byte == '<';
  return false;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view utf8) {
  std::u16string text;
  text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      text += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t point = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, point = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, point = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, point = lead & 0x07, least = 0x10000;
    } else {
      return std::nullopt;
    }
    if (i + length > utf8.size()) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
      return std::nullopt;
    AppendCodePoint(text, point);
    i += length;
  }
  return text;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
  std::string text;
  text.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    std::uint32_t point = utf16[i];
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      point = 0xFFFD;
    }
    AppendUtf8(text, point);
  }
  return text;
}

std::u16string Utf16FromLittleEndianBytes(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;
    text += unit;
  }
  return text;
}

std::optional<std::string> BytesFromBase64(std::u16string_view text) {
  std::string bytes;
  std::uint32_t bits = 0;
  int bitCount = 0;
  std::size_t digits = 0;
  std::size_t padding = 0;
  for (const char16_t unit : text) {
    if (IsWhiteSpace(unit)) continue;
    if (unit == u'=') {
      ++padding;
      continue;
    }
    const int value = Base64Value(unit);
    if (value < 0 || padding > 0) return std::nullopt;
    ++digits;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      bytes += static_cast<char>((bits >> bitCount) & 0xFF);
    }
  }
  // Whole groups of four, the padding (when there is any) filling the last.
  if (digits % 4 == 1 || padding > 2) return std::nullopt;
  if (padding > 0 && (digits + padding) % 4 != 0) return std::nullopt;
  return bytes;
}

std::optional<std::string> BytesFromHex(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexValue(text[i]);
    if (high < 0) return std::nullopt;
    if (i + 1 == text.size()) break;
    const int low = HexValue(text[i + 1]);
    if (low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& unit : lower)
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
  return lower;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

}  // namespace rdc
