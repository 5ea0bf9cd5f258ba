// Text rules of the GBK (code page 936) byte strings the program keeps:
// searching and splitting step over whole characters, so the second byte of a
// double-byte character (which may be 0x7C "|") never matches a separator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rdc {

// Whether `byte` begins a double-byte character: 0x81 to 0xFE. In code page
// 936 the byte 0x80 is a character of its own ("€"), and so is 0xFF.
bool IsLeadByte(char byte);

// Number of bytes of the character that starts at `index`: 2 for a lead byte
// that has a byte after it, else 1 (0 past the end).
std::size_t CharLength(std::string_view text, std::size_t index);

// 1-based byte position of the first occurrence of `pattern` that starts at a
// character at or after the 1-based position `start` (0 means from the
// beginning), or -1. Byte for byte, case-sensitive; an empty pattern is never found.
int FindText(std::string_view text, std::string_view pattern, int start = 0);

// Pieces between separators. An empty text gives no pieces; a leading separator
// gives an empty first piece; a trailing separator gives no empty last piece.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// The pieces SplitText gives, each handed to `take` in order as a view into
// `text`: a long text is gone through without a copy of its pieces.
template <typename Take>
void ForEachPiece(std::string_view text, std::string_view separator, Take take) {
  int pieceStart = 1;  // 1-based, like FindText's positions
  for (int found = FindText(text, separator, pieceStart); found != -1;
       found = FindText(text, separator, pieceStart)) {
    take(text.substr(pieceStart - 1, found - pieceStart));
    pieceStart = found + static_cast<int>(separator.size());
  }
  if (static_cast<std::size_t>(pieceStart - 1) < text.size()) take(text.substr(pieceStart - 1));
}

// The texts between every `begin` ... `end` pair, joined with "||"; empty when
// an end marker is missing after any begin marker.
std::string TextBetweenAll(std::string_view source, std::string_view begin, std::string_view end);

// Whether `text` holds a byte below 0x20 (line breaks, tabs, NUL, ...). In GBK
// such a byte is always a character of its own, never half of one.
bool HasControlByte(std::string_view text);

// The bytes up to, not including, the first zero byte.
std::string_view UpToFirstZero(std::string_view bytes);

}  // namespace rdc
