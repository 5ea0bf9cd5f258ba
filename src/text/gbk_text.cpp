// Searching and splitting of GBK byte strings, stepping over whole characters
// so that the second byte of a double-byte character never starts a match.
#include "text/gbk_text.h"

namespace rdc {

bool IsLeadByte(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  return value >= 0x81 && value <= 0xFE;
}

std::size_t CharLength(std::string_view text, std::size_t index) {
  if (index >= text.size()) return 0;
  return IsLeadByte(text[index]) && index + 1 < text.size() ? 2 : 1;
}

int FindText(std::string_view text, std::string_view pattern, int start) {
  // An empty pattern is never found, so no caller can loop on it forever.
  if (pattern.empty()) return -1;
  std::size_t index = start > 0 ? static_cast<std::size_t>(start) - 1 : 0;
  while (index < text.size() && pattern.size() <= text.size() - index) {
    if (text[index] == pattern[0] && text.compare(index, pattern.size(), pattern) == 0)
      return static_cast<int>(index) + 1;
    index += CharLength(text, index);
  }
  return -1;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  ForEachPiece(text, separator, [&pieces](std::string_view piece) { pieces.emplace_back(piece); });
  return pieces;
}

std::string TextBetweenAll(std::string_view source, std::string_view begin, std::string_view end) {
  std::string result;
  int position = 0;
  int count = 0;
  for (int beginAt = FindText(source, begin, position); beginAt != -1;
       beginAt = FindText(source, begin, position)) {
    // The end marker is looked for from the begin marker's first byte on.
    const int endAt = FindText(source, end, beginAt);
    if (endAt == -1) return "";
    if (count > 0) result += "||";
    const int textAt = beginAt + static_cast<int>(begin.size());
    // An end marker overlapping the begin marker leaves nothing between them.
    if (endAt > textAt) result += source.substr(textAt - 1, endAt - textAt);
    position = endAt + static_cast<int>(end.size());
    ++count;
  }
  return result;
}

std::string_view UpToFirstZero(std::string_view bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

bool HasControlByte(std::string_view text) {
  for (const char byte : text) {
    if (static_cast<unsigned char>(byte) < 0x20) return true;
  }
  return false;
}

}  // namespace rdc
